// Frame splitting and transfer decoding for the device print tests.
#include "tests/protocol/device/device_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "protocol/crc32.h"
#include "protocol/huffman.h"

namespace kvdtest {

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

}  // namespace

std::vector<Frame> parseFrames(const Bytes& s, uint8_t odmType) {
    std::vector<Frame> frames;
    size_t at = 0;
    while (at < s.size()) {
        if (s.size() - at < 15) {
            ADD_FAILURE() << "truncated frame at " << at;
            break;
        }
        const uint8_t* p = s.data() + at;
        EXPECT_EQ(p[0], 0xA3);
        EXPECT_EQ(p[1], 0x1E);
        EXPECT_EQ(p[2], odmType);
        EXPECT_EQ(p[3], 0x00);
        const uint32_t dataLength = le16(p + 9);
        EXPECT_EQ(le16(p + 4), dataLength + 5);
        const size_t length = 11 + size_t{dataLength} + 4;
        if (s.size() - at < length) {
            ADD_FAILURE() << "frame at " << at << " runs past the end";
            break;
        }
        const uint32_t crc = le16(p + 11 + dataLength) | le16(p + 13 + dataLength) << 16;
        EXPECT_EQ(crc, HAL_KV_crc32(kvCrcSeedForType(odmType), p + 6, dataLength + 5)) << "frame at " << at;
        frames.push_back({p[6], p[7], p[8], Bytes(p + 11, p + 11 + dataLength), length});
        at += length;
    }
    return frames;
}

std::vector<Frame> parseFrames(const std::string& stream, uint8_t odmType) {
    return parseFrames(Bytes(stream.begin(), stream.end()), odmType);
}

std::string frameSummary(const std::vector<Frame>& frames) {
    std::string out;
    for (size_t i = 0; i < frames.size(); ++i) {
        const Frame& f = frames[i];
        const bool repeat = i > 0 && f.cmd == 5 && f.sub == 13 && frames[i - 1].cmd == 5 && frames[i - 1].sub == 13;
        if (repeat) continue;
        if (!out.empty()) out += ' ';
        out += std::to_string(f.cmd) + "/" + std::to_string(f.sub);
        if (f.cmd == 5 && f.sub == 13) out += '*';
    }
    return out;
}

Bitmap decodeTransfer(const std::vector<Frame>& frames) {
    Bitmap image;
    std::unique_ptr<DecodeNode, FreeDeleter> tree;
    uint32_t nodeCount = 0;
    for (const Frame& f : frames) {
        if (f.cmd != 5) continue;
        if (f.sub == 11 && f.payload.size() == 7) {
            image.width = le16(&f.payload[0]);
            image.height = le16(&f.payload[2]);
        } else if (f.sub == 14) {
            nodeCount = static_cast<uint32_t>(f.payload.size() / 4);
            std::vector<uint16_t> pre(nodeCount), in(nodeCount);
            for (uint32_t i = 0; i < nodeCount; ++i) {
                pre[i] = static_cast<uint16_t>(le16(&f.payload[i * 2]));
                in[i] = static_cast<uint16_t>(le16(&f.payload[nodeCount * 2 + i * 2]));
            }
            tree.reset(KVMakeHfmTree(pre.data(), nodeCount, in.data(), nodeCount));
            EXPECT_NE(tree, nullptr);
        } else if (f.sub == 13 && f.payload.size() > 11) {
            EXPECT_EQ(f.kind, 0x10);
            EXPECT_EQ(le16(&f.payload[2]), f.payload.size() - 4);
            if (f.payload[4] == 0x01) {  // raw rows
                image.bits.insert(image.bits.end(), f.payload.begin() + 11, f.payload.end());
                continue;
            }
            EXPECT_EQ(f.payload[4], 0x11);
            if (!tree) continue;
            uint32_t count = 0;
            std::unique_ptr<uint8_t, FreeDeleter> rows(KVHFMdecodingChecked(
                tree.get(), nodeCount, f.payload.data() + 11, static_cast<int32_t>(f.payload.size() - 11), &count));
            EXPECT_NE(rows, nullptr);
            if (rows) image.bits.insert(image.bits.end(), rows.get(), rows.get() + count);
        }
    }
    return image;
}

}  // namespace kvdtest
