// The whole image transfers. Compressed: the bitmap is cut into image parts
// whose tree pack fits one frame (halving a part until it does), each sent as
// start, tree, data commands and end. Raw (family 163): rows fitted to the
// print width and sent in packages of whole rows. Both measure, then fill.
#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "base/debug_log.h"
#include "protocol/command_payload.h"
#include "protocol/frame.h"
#include "protocol/huffman.h"
#include "protocol/image_transfer.h"
#include "protocol/protocol_state.h"

namespace {

using Frames = std::optional<std::vector<uint8_t>>;

// Measuring call (*size 0): store the count. Filling call: the frames, when
// the count still matches what the caller measured.
SendPack measureOrFill(const Frames& frames, uint32_t* size) {
    if (size == nullptr) return kvGetEmptyProtocolPack();
    const size_t count = frames ? frames->size() : 0;
    if (*size == 0) {
        *size = count > UINT32_MAX ? 0 : static_cast<uint32_t>(count);
        return kvGetEmptyProtocolPack();
    }
    if (count == 0 || count != *size) return kvGetEmptyProtocolPack();
    return kvSendPackFromBytes(*frames);
}

// Appends the pack; false when it is empty.
bool append(std::vector<uint8_t>& out, SendPack pack) {
    SendPackPtr owned(pack);
    out.insert(out.end(), owned.bytes().begin(), owned.bytes().end());
    return !owned.empty();
}

// Tree pack length of a part with n distinct byte values: 2n - 1 nodes (a
// lone value gets a neighbour leaf), 4 bytes per node.
int64_t treePackLength(uint32_t distinct) { return 4 * (2 * static_cast<int64_t>(std::max(distinct, 2u)) - 1); }

// Distinct byte values of each candidate length (lengths in descending order),
// from one scan that stops once all 256 values have been seen.
std::vector<uint32_t> distinctPerCandidate(const uint8_t* part, const std::vector<uint32_t>& lengths) {
    std::vector<uint32_t> distinct(lengths.size(), 256);
    bool seen[256] = {};
    uint32_t count = 0, scanned = 0;
    for (size_t i = lengths.size(); i-- > 0 && count < 256;) {
        for (; scanned < lengths[i] && count < 256; ++scanned)
            if (!seen[part[scanned]]) seen[part[scanned]] = true, ++count;
        distinct[i] = count;
    }
    return distinct;
}

// Largest part from offset whose tree pack stays below the payload limit: the
// remainder, halved (to whole rows) until it fits.
// The diagnostic lines of one transfer, kept to be written again.
struct TreeNote {
    int32_t size;   // the tree pack's length
    int32_t limit;  // -1: the pack fitted; else the limit it exceeded
};
using TreeNotes = std::vector<TreeNote>;

void logTreeNote(const TreeNote& note) {
    if (note.limit < 0) {
        writeLogString("-->> 二叉树合格.%d\n", note.size);
    } else {
        writeLogString("-->> 二叉树过大.%d > %d\n", note.size, note.limit);
    }
}

void noteTree(TreeNotes* notes, TreeNote note) {
    logTreeNote(note);
    if (notes != nullptr) notes->push_back(note);
}

std::optional<std::vector<uint8_t>> fitPart(const uint8_t* bitmap, uint32_t offset, uint32_t total, uint32_t w,
                                            int64_t limit, bool filling, uint32_t* length, TreeNotes* notes) {
    std::vector<uint32_t> lengths;
    for (uint32_t candidate = total - offset; candidate > 0; candidate = candidate / 2 - candidate / 2 % w)
        lengths.push_back(candidate);
    const std::vector<uint32_t> distinct = distinctPerCandidate(bitmap + offset, lengths);
    for (size_t i = 0; i < lengths.size(); ++i) {
        const uint32_t candidate = lengths[i];
        kvPrintf(filling ? "1-->> 切图，位置 %d，长度 %d ，总长度%d , 剩余长度 %d  \n"
                         : "0-->> 切图，位置 %d，长度 %d ，总长度%d , 剩余长度 %d  \n",
                 offset, candidate, total, total - offset - candidate);
        const int64_t packLength = treePackLength(distinct[i]);
        if (packLength < limit) {
            std::vector<uint8_t> pack = kvHuffmanTreePack({bitmap + offset, candidate});
            if (pack.empty()) return std::nullopt;
            noteTree(notes, {static_cast<int32_t>(pack.size()), -1});
            *length = candidate;
            return pack;
        }
        noteTree(notes, {static_cast<int32_t>(packLength), static_cast<int32_t>(limit)});
    }
    return std::nullopt;
}

Frames compressedTransfer(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector, uint8_t option,
                          uint8_t flag, bool filling, TreeNotes* notes = nullptr) {
    const uint64_t total64 = uint64_t{width} * height / 8;
    const uint32_t w = width / 8;
    const int64_t limit = kvImagePayloadLimit();
    if (bitmap == nullptr || w == 0 || total64 == 0 || total64 > UINT32_MAX || limit <= 0) return std::nullopt;
    const auto total = static_cast<uint32_t>(total64);
    std::vector<uint8_t> out;
    for (uint32_t offset = 0; offset < total;) {
        uint32_t length = 0;
        const auto pack = fitPart(bitmap, offset, total, w, limit, filling, &length, notes);
        if (!pack) return std::nullopt;
        const size_t before = out.size();
        size_t mark = out.size();
        bool ok = append(out, getCompressSendImageStartData(width, height, selector, option, flag));
        kvPrintf("-->>1.%d\n", static_cast<int>(out.size() - mark));
        mark = out.size();
        ok = ok && append(out, getSendImageTreeData(pack->data(), static_cast<uint16_t>(pack->size())));
        kvPrintf("-->>2.%d\n", static_cast<int>(out.size() - mark));
        mark = out.size();
        ok = ok && append(out, getCompressSendImageData(bitmap + offset, w, length));
        kvPrintf("-->>3.%d\n", static_cast<int>(out.size() - mark));
        mark = out.size();
        ok = ok && append(out, getSendImageEndData(0, 0));
        kvPrintf("-->>4.%d\n", static_cast<int>(out.size() - mark));
        if (!ok || out.size() == before) return std::nullopt;
        offset += length;
    }
    return out;
}

// Raw data commands: packages of whole rows, each with its first-row index.
Frames rawDataCommands(const uint8_t* bitmap, uint32_t w, uint32_t total, uint32_t limit) {
    if (bitmap == nullptr || w == 0 || w > 0xFFFF || total == 0 || limit < 7) return std::nullopt;
    const uint32_t rowsPerPackage = (limit - 7) / w;
    const uint32_t packageBytes = rowsPerPackage * w;
    if (packageBytes == 0 || packageBytes + 7 > 0xFFFF) return std::nullopt;
    std::vector<uint8_t> out;
    PayloadWriter payload;
    uint32_t index = 0;
    for (uint32_t sent = 0; sent < total; sent += packageBytes, ++index) {
        const uint32_t bytes = std::min(packageBytes, total - sent);
        const uint32_t firstRow = sent / w;
        if (index > 0xFFFF || firstRow > 0xFFFF) return std::nullopt;
        payload.bytes.clear();
        payload.u16(index).u16(bytes + 7).u8(0x01).u16(w).u16(firstRow).u16(0).raw(bitmap + sent, bytes);
        if (!append(out, kvBuildCommand(5, 13, payload.bytes, 0))) return std::nullopt;
    }
    return out;
}

// Rows fitted to the print width: cut to p bytes, or centred in zero bytes.
std::vector<uint8_t> fitRows(const uint8_t* bitmap, uint32_t w, uint32_t height, uint32_t p) {
    std::vector<uint8_t> fitted(size_t{p} * height, 0);
    const uint32_t copy = std::min(w, p);
    const uint32_t at = w < p ? (p - w) / 2 : 0;
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(bitmap + size_t{y} * w, copy, fitted.begin() + static_cast<std::ptrdiff_t>(size_t{p} * y + at));
    return fitted;
}

Frames rawTransfer(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector, uint8_t option,
                   uint8_t flag, uint16_t endValue1, uint8_t endValue2) {
    const int32_t printWidth = getMaxWidthDot_l();
    const int64_t limit = kvImagePayloadLimit();
    if (bitmap == nullptr || width / 8 == 0 || height == 0 || printWidth < 8 || limit <= 0) return std::nullopt;
    const uint32_t p = static_cast<uint32_t>(printWidth) / 8;
    if (uint64_t{p} * height > UINT32_MAX) return std::nullopt;
    const std::vector<uint8_t> fitted = fitRows(bitmap, width / 8, height, p);
    const Frames data = rawDataCommands(fitted.data(), p, static_cast<uint32_t>(fitted.size()),
                                        static_cast<uint32_t>(std::min<int64_t>(limit, UINT32_MAX)));
    if (!data || data->empty()) return std::nullopt;
    std::vector<uint8_t> out;
    if (!append(out, getSendImageStartData(static_cast<uint32_t>(printWidth), height, selector, option, flag)))
        return std::nullopt;
    out.insert(out.end(), data->begin(), data->end());
    if (!append(out, getSendImageEndData(endValue1, endValue2))) return std::nullopt;
    return out;
}

}  // namespace

extern "C" {

SendPack getSendImageData(const uint8_t* bitmap, uint32_t rowWidthBytes, uint32_t totalBytes, uint32_t payloadLimit,
                          uint32_t* size) {
    return measureOrFill(rawDataCommands(bitmap, rowWidthBytes, totalBytes, payloadLimit), size);
}

SendPack getAllCompressImagePart(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector,
                                 uint8_t option, uint8_t flag, uint32_t* size) {
    if (size == nullptr) return kvGetEmptyProtocolPack();
    return measureOrFill(compressedTransfer(bitmap, widthDots, height, selector, option, flag, *size != 0), size);
}

SendPack getAllCompressImagePartOnce(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector,
                                     uint8_t option, uint8_t flag) {
    TreeNotes notes;
    Frames frames;
    try {
        frames = compressedTransfer(bitmap, widthDots, height, selector, option, flag, false, &notes);
    } catch (const std::bad_alloc&) {
        return kvGetEmptyProtocolPack();
    }
    const size_t count = frames ? frames->size() : 0;
    if (count == 0 || count > UINT32_MAX) return kvGetEmptyProtocolPack();
    // The filling call works through the same parts and writes the same lines.
    for (const TreeNote& note : notes) logTreeNote(note);
    return kvSendPackFromBytes(*frames);
}

SendPack getAllImageData(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector, uint8_t option,
                         uint8_t flag, uint16_t endValue1, uint8_t endValue2, uint32_t* size) {
    return measureOrFill(rawTransfer(bitmap, widthDots, height, selector, option, flag, endValue1, endValue2), size);
}

}  // extern "C"
