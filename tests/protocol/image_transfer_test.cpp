// Image transfer: start/end payloads, the compressed transfer decoded back to
// the bitmap, tree-size halving, the raw transfer's fitting and package sizes,
// measure-then-fill, and the rate-line pattern.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "protocol/huffman.h"
#include "protocol/image_transfer.h"
#include "tests/protocol/protocol_test_util.h"
#include "tests/toolkit/toolkit.h"

using namespace kvptest;

namespace {

// Measuring call, then filling call, as the device print path makes them.
Bytes compressedTransfer(const Bytes& bitmap, uint32_t width, uint32_t height) {
    uint32_t size = 0;
    EXPECT_TRUE(take(getAllCompressImagePart(bitmap.data(), width, height, 0, 0, 1, &size)).empty());
    if (size == 0) return {};
    Bytes out = take(getAllCompressImagePart(bitmap.data(), width, height, 0, 0, 1, &size));
    EXPECT_EQ(out.size(), size);
    return out;
}

// Rebuilds every image part from its tree and data commands.
Bytes decodeTransfer(const std::vector<ParsedFrame>& frames, size_t* parts) {
    Bytes image;
    DecodeNode* tree = nullptr;
    uint32_t nodes = 0;
    *parts = 0;
    for (const ParsedFrame& f : frames) {
        EXPECT_TRUE(f.crcOk);
        if (f.subCmd == 14) {
            nodes = uint32_t(f.payload.size() / 4);
            std::vector<uint16_t> pre(nodes), in(nodes);
            std::memcpy(pre.data(), f.payload.data(), nodes * 2);
            std::memcpy(in.data(), f.payload.data() + nodes * 2, nodes * 2);
            std::free(tree);
            tree = KVMakeHfmTree(pre.data(), nodes, in.data(), nodes);
            ++*parts;
        } else if (f.subCmd == 13) {
            EXPECT_EQ(f.kind, 0x10);
            EXPECT_EQ(f.payload[4], 0x11);
            EXPECT_EQ(size_t(f.payload[2] | f.payload[3] << 8), f.payload.size() - 4);
            uint32_t count = 0;
            uint8_t* rows =
                KVHFMdecodingChecked(tree, nodes, f.payload.data() + 11, int32_t(f.payload.size() - 11), &count);
            EXPECT_NE(rows, nullptr);
            if (rows) image.insert(image.end(), rows, rows + count);
            std::free(rows);
        }
    }
    std::free(tree);
    return image;
}

std::vector<uint8_t> subCommands(const std::vector<ParsedFrame>& frames) {
    std::vector<uint8_t> subs;
    for (const auto& f : frames) subs.push_back(f.subCmd);
    return subs;
}

}  // namespace

TEST(ImageCommands, StartAndEndPayloads) {
    ProtocolStateGuard state(28);
    EXPECT_EQ(framesOf(getSendImageStartData(384, 200, 0, 0, 1))[0].payload, (Bytes{0x80, 1, 0xC8, 0, 0, 0, 1}));
    EXPECT_EQ(framesOf(getCompressSendImageStartData(8, 1, 3, 9, 0))[0].payload, (Bytes{8, 0, 1, 0, 3, 9, 0}));
    EXPECT_EQ(framesOf(getSendImageStartData(8, 1, 2, 9, 2))[0].payload, (Bytes{8, 0, 1, 0, 0, 9, 0}));
    EXPECT_TRUE(take(getSendImageStartData(70000, 1, 0, 0, 1)).empty());
    auto end = framesOf(getSendImageEndData(0x1234, 5));
    EXPECT_EQ(end[0].subCmd, 12);
    EXPECT_TRUE(end[0].payload.empty());
    ProtocolStateGuard encrypted(163);
    EXPECT_EQ(framesOf(getSendImageEndData(0x1234, 5))[0].payload, (Bytes{1, 2, 0, 0x34, 0x12, 2, 1, 0, 5}));
}

TEST(CompressedTransfer, SinglePartDecodesToTheBitmap) {
    ProtocolStateGuard state(28, 2048);
    std::mt19937 rng(7);
    const uint32_t width = 384, height = 300, w = 48;
    Bytes bitmap(w * height, 0);
    for (size_t i = 0; i < bitmap.size(); ++i)
        if (rng() % 5 == 0) bitmap[i] = uint8_t(1u << (rng() % 8));
    auto frames = splitFrames(compressedTransfer(bitmap, width, height));
    ASSERT_GE(frames.size(), 5u);
    auto subs = subCommands(frames);
    EXPECT_EQ(subs.front(), 11);
    EXPECT_EQ(subs[1], 14);
    EXPECT_EQ(subs.back(), 12);
    for (size_t i = 2; i + 1 < subs.size(); ++i) EXPECT_EQ(subs[i], 13);
    size_t parts = 0;
    EXPECT_EQ(decodeTransfer(frames, &parts), bitmap);
    EXPECT_EQ(parts, 1u);
    // Data commands carry whole rows within the package budget (1968 bytes for 48-byte rows).
    for (size_t i = 2; i + 1 < frames.size(); ++i) {
        EXPECT_EQ(frames[i].payload[0] | frames[i].payload[1] << 8, int(i - 2));
        EXPECT_LE(frames[i].payload.size() - 11, 1968u);
    }
}

TEST(CompressedTransfer, LargeTreeHalvesThePartAndWholeImageSizeIsKept) {
    kvtest::TempDir logDir;
    setDebugLogDirectory(logDir.path().c_str());
    ProtocolStateGuard state(28, 2048);
    const uint32_t w = 48, height = 64;
    Bytes bitmap(w * height);
    // Upper half uses byte values 0-127, lower half 128-255: the whole pack is
    // 2044 bytes (>= 2023), each half's is 1020.
    for (uint32_t i = 0; i < bitmap.size(); ++i) bitmap[i] = uint8_t((i % 128) + (i >= bitmap.size() / 2 ? 128 : 0));
    auto frames = splitFrames(compressedTransfer(bitmap, w * 8, height));
    size_t parts = 0;
    EXPECT_EQ(decodeTransfer(frames, &parts), bitmap);
    EXPECT_EQ(parts, 2u);
    for (const auto& f : frames) {
        if (f.subCmd == 11) {
            EXPECT_EQ(f.payload, (Bytes{0x80, 1, 64, 0, 0, 0, 1}));
        } else if (f.subCmd == 14) {
            EXPECT_EQ(f.payload.size(), 1020u);
        }
    }
    closeDebugLog();
    std::ifstream log(logDir.file("LxxLog.log"));
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("-->> 二叉树过大.2044 > 2023\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("-->> 二叉树合格.1020\n\r\n"), std::string::npos);
    setDebugLogDirectory("/var/log/cups");
}

TEST(CompressedTransfer, GivesUpWhenOneRowsTreeCannotFit) {
    kvtest::TempDir logDir;
    setDebugLogDirectory(logDir.path().c_str());
    ProtocolStateGuard state(28, 2048);
    Bytes row(256);
    for (int v = 0; v < 256; ++v) row[size_t(v)] = uint8_t(v);
    Bytes bitmap = row;
    bitmap.insert(bitmap.end(), row.begin(), row.end());
    uint32_t size = 0;
    EXPECT_TRUE(take(getAllCompressImagePart(bitmap.data(), 2048, 2, 0, 0, 1, &size)).empty());
    EXPECT_EQ(size, 0u);
    // With room for the tree the same image goes through.
    setMaxDataLengthOnePackage(4096);
    EXPECT_FALSE(compressedTransfer(bitmap, 2048, 2).empty());
    // A fill call with a size that no longer matches builds nothing.
    size = 7;
    EXPECT_TRUE(take(getAllCompressImagePart(bitmap.data(), 2048, 2, 0, 0, 1, &size)).empty());
    EXPECT_TRUE(take(getAllCompressImagePart(nullptr, 2048, 2, 0, 0, 1, &size)).empty());
    closeDebugLog();
    setDebugLogDirectory("/var/log/cups");
}

// The one-go transfer the device print path uses: the bytes of measuring and
// filling, and the log lines of both calls in the same order; nothing (and
// the lines once) when the measuring call would fail.
TEST(CompressedTransfer, OneGoGivesTheBytesAndLinesOfMeasureThenFill) {
    ProtocolStateGuard state(28, 2048);
    const uint32_t w = 48, height = 64;
    Bytes bitmap(w * height);
    for (uint32_t i = 0; i < bitmap.size(); ++i) bitmap[i] = uint8_t((i % 128) + (i >= bitmap.size() / 2 ? 128 : 0));
    Bytes row(256);
    for (int v = 0; v < 256; ++v) row[size_t(v)] = uint8_t(v);
    const Bytes unfit = [&] {
        Bytes b = row;
        b.insert(b.end(), row.begin(), row.end());
        return b;
    }();
    auto logged = [](const std::function<Bytes()>& run, Bytes* out) {
        kvtest::TempDir logDir;
        setDebugLogDirectory(logDir.path().c_str());
        *out = run();
        closeDebugLog();
        std::string text = kvtest::readFile(logDir.file("LxxLog.log"));
        std::string lines;  // without the time stamps
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines += text.substr(at + 20, end + 2 - at - 20);
        setDebugLogDirectory("/var/log/cups");
        return lines;
    };
    const struct {
        const Bytes* bitmap;
        uint32_t width, height;
    } cases[] = {{&bitmap, w * 8, height}, {&unfit, 2048, 2}};
    for (const auto& c : cases) {
        Bytes twoCalls, oneGo;
        const std::string twoLines =
            logged([&] { return compressedTransfer(*c.bitmap, c.width, c.height); }, &twoCalls);
        const std::string oneLines = logged(
            [&] { return take(getAllCompressImagePartOnce(c.bitmap->data(), c.width, c.height, 0, 0, 1)); }, &oneGo);
        EXPECT_EQ(oneGo, twoCalls);
        EXPECT_EQ(oneLines, twoLines);
        EXPECT_NE(oneLines.find("-->> 二叉树"), std::string::npos);
    }
}

TEST(RawTransfer, PackagesOfWholeRows) {
    ProtocolStateGuard state(28);
    const uint32_t w = 48, rows = 100;
    Bytes bitmap(w * rows);
    for (size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = uint8_t(i / w);
    uint32_t size = 0;
    take(getSendImageData(bitmap.data(), w, uint32_t(bitmap.size()), 2023, &size));
    ASSERT_GT(size, 0u);
    auto frames = framesOf(getSendImageData(bitmap.data(), w, uint32_t(bitmap.size()), 2023, &size));
    ASSERT_EQ(frames.size(), 3u);
    const uint32_t expectRows[] = {42, 42, 16};
    for (uint16_t i = 0; i < 3; ++i) {
        const Bytes& p = frames[i].payload;
        EXPECT_EQ(frames[i].kind, 0x10);
        EXPECT_EQ(Bytes(p.begin(), p.begin() + 11),
                  (Bytes{uint8_t(i), 0, uint8_t((expectRows[i] * w + 7) & 0xFF), uint8_t((expectRows[i] * w + 7) >> 8),
                         1, 48, 0, uint8_t(42 * i), 0, 0, 0}));
        EXPECT_EQ(p.size(), 11 + expectRows[i] * w);
        EXPECT_EQ(p[11], uint8_t(42 * i));
    }
    size = 0;
    take(getSendImageData(bitmap.data(), 3000, 6000, 2023, &size));  // a row wider than a package
    EXPECT_EQ(size, 0u);
}

TEST(RawTransfer, RowsFittedToThePrintWidth) {
    ProtocolStateGuard state(163, 2048);
    std::strcpy(kvConnectionCache()->widthMaxDotStr, "384");
    struct Case {
        uint32_t width;
        size_t at;
        size_t from;
        size_t count;
    };
    for (Case c : {Case{304, 5, 0, 38}, Case{400, 0, 0, 48}}) {
        const uint32_t w = c.width / 8, height = 3;
        Bytes bitmap(w * height);
        for (size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = uint8_t(1 + i % 251);
        uint32_t size = 0;
        take(getAllImageData(bitmap.data(), c.width, height, 0, 0, 1, 0, 0, &size));
        auto frames = framesOf(getAllImageData(bitmap.data(), c.width, height, 0, 0, 1, 0, 0, &size));
        ASSERT_EQ(frames.size(), 3u) << c.width;
        EXPECT_EQ(frames[0].payload, (Bytes{0x80, 1, 3, 0, 0, 0, 1}));
        EXPECT_EQ(frames[2].payload.size(), 9u);
        const Bytes& data = frames[1].payload;
        ASSERT_EQ(data.size(), 11u + 48 * height);
        for (uint32_t y = 0; y < height; ++y) {
            Bytes row(data.begin() + 11 + 48 * y, data.begin() + 11 + 48 * (y + 1));
            Bytes expect(48, 0);
            std::copy_n(bitmap.begin() + long(y * w + c.from), c.count, expect.begin() + long(c.at));
            EXPECT_EQ(row, expect) << c.width << " row " << y;
        }
    }
    kvConnectionCache()->widthMaxDotStr[0] = '\0';
    setODMPrinterType(5);  // no print width: nothing to send
    uint32_t size = 0;
    Bytes bitmap(48, 1);
    take(getAllImageData(bitmap.data(), 384, 1, 0, 0, 1, 0, 0, &size));
    EXPECT_EQ(size, 0u);
}

TEST(RateLinePattern, RatesAndPadding) {
    Bytes black = take(kvGetRateLinePack(10, 2, 1.0));
    EXPECT_EQ(black, Bytes(4, 0xFF));
    Bytes diagonal = take(kvGetRateLinePack(8, 3, 0.125));
    EXPECT_EQ(diagonal, (Bytes{0x80, 0x40, 0x20}));
    // Rate 0.3: k = 3; row 0 marks x mod 10 in 0..2, row 9 wraps to 9, 0, 1.
    Bytes bands = take(kvGetRateLinePack(16, 10, 0.3));
    ASSERT_EQ(bands.size(), 20u);
    EXPECT_EQ((Bytes{bands[0], bands[1]}), (Bytes{0xE0, 0x38}));    // x 0-2 and 10-12
    EXPECT_EQ((Bytes{bands[18], bands[19]}), (Bytes{0xC0, 0x70}));  // x 0,1,9 and 10,11
    EXPECT_TRUE(take(kvGetRateLinePack(0, 5, 0.5)).empty());
    EXPECT_EQ(take(kvGetRateLinePack(8, 1, -3.0)), Bytes{0});
}
