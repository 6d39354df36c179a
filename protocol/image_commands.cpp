// The single image commands: start, tree, end, and the coded data commands of
// one image part (one frame per Huffman package, each behind a data header).
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "protocol/command_payload.h"
#include "protocol/frame.h"
#include "protocol/huffman.h"
#include "protocol/image_transfer.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

namespace {

constexpr uint8_t kPrintClass = 5;
constexpr uint8_t kImageStart = 11;
constexpr uint8_t kImageEnd = 12;
constexpr uint8_t kImageData = 13;
constexpr uint8_t kImageTree = 14;
constexpr uint8_t kCompressedData = 0x11;

struct TreeDeleter {
    void operator()(HfmNode* nodes) const { KVFreeHfmTree(nodes); }
};
struct BagDeleter {
    void operator()(DataBagEntry* bag) const { KVFreeSendDataBag(bag); }
};

}  // namespace

extern "C" {

SendPack getSendImageStartData(uint32_t width, uint32_t height, uint8_t selector, uint8_t option, uint8_t flag) {
    // The size fields are 16 bits: a larger image would be announced with a
    // wrong, truncated size, so there is no start command for it.
    if (width > 0xFFFF || height > 0xFFFF) return kvGetEmptyProtocolPack();
    PayloadWriter payload;
    payload.u16(width).u16(height);
    payload.u8(selector == 0 || selector == 1 || selector == 3 ? selector : 0).u8(option).u8(flag <= 1 ? flag : 0);
    return kvBuildCommand(kPrintClass, kImageStart, payload.bytes);
}

SendPack getCompressSendImageStartData(uint32_t width, uint32_t height, uint8_t selector, uint8_t option,
                                       uint8_t flag) {
    return getSendImageStartData(width, height, selector, option, flag);
}

SendPack getSendImageTreeData(const uint8_t* treePack, uint16_t length) {
    // No tree pack means no tree to rebuild: nothing to send.
    if (treePack == nullptr || length == 0) return kvGetEmptyProtocolPack();
    return kvBuildCommand(kPrintClass, kImageTree, {treePack, length});
}

SendPack getSendImageEndData(uint16_t value1, uint8_t value2) {
    if (getODMPrinterType() != kOdmEncrypted) return kvBuildCommand(kPrintClass, kImageEnd, {});
    PayloadWriter payload;
    payload.u8(1).u16(2).u16(value1).u8(2).u16(1).u8(value2);
    return kvBuildCommand(kPrintClass, kImageEnd, payload.bytes);
}

SendPack getTreePack(const uint8_t* bitmap, uint32_t byteCount) {
    if (bitmap == nullptr) return kvGetEmptyProtocolPack();
    return kvSendPackFromBytes(kvHuffmanTreePack({bitmap, byteCount}));
}

SendPack getCompressSendImageData(const uint8_t* part, uint32_t rowWidthBytes, uint32_t byteCount) {
    if (part == nullptr || rowWidthBytes == 0 || byteCount < rowWidthBytes || rowWidthBytes > 0xFFFF)
        return kvGetEmptyProtocolPack();
    uint32_t nodeCount = 0;
    std::unique_ptr<HfmNode, TreeDeleter> tree(KVGetHfmTree(part, byteCount, &nodeCount));
    const uint32_t budget = std::min(getPrintImageOnePackageWithImageWidthByte(rowWidthBytes), byteCount);
    uint32_t packages = 0;
    std::unique_ptr<DataBagEntry, BagDeleter> bag(
        KVHFMDGencoding(tree.get(), nodeCount, part, rowWidthBytes, byteCount / rowWidthBytes, budget, &packages));
    if (!bag || packages == 0) return kvGetEmptyProtocolPack();
    std::vector<uint8_t> frames;
    PayloadWriter payload;
    for (uint32_t i = 0; i < packages; ++i) {
        const DataBagEntry& package = bag.get()[i];
        if (i > 0xFFFF || package.length + 7 > 0xFFFF) return kvGetEmptyProtocolPack();
        payload.bytes.clear();
        payload.u16(i).u16(package.length + 7).u8(kCompressedData).u16(rowWidthBytes).u32(0);
        payload.raw(package.data, package.length);
        SendPackPtr frame(kvBuildCommand(kPrintClass, kImageData, payload.bytes, 0));
        if (frame.empty()) return kvGetEmptyProtocolPack();
        frames.insert(frames.end(), frame.bytes().begin(), frame.bytes().end());
    }
    return kvSendPackFromBytes(frames);
}

}  // extern "C"

int64_t kvImagePayloadLimit(void) {
    return static_cast<int64_t>(getMaxDataLengthOnePackage()) - (getODMPrinterType() == kOdmEncrypted ? 9 : 11) - 14;
}
