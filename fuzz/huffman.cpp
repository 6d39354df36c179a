// Fuzz target: the receiving side of the Huffman coding, and the whole code
// path end to end. The first byte picks the form of the rest:
//  0  a tree pack (symbol count, preorder, inorder symbols as 16-bit values)
//     and a package: the tree rebuild and both decoders must never read or
//     write outside what they were given;
//  1  bitmap rows (row width, package budget, then the data): tree, tree
//     pack, rebuild, single-package and packaged coding, and every package
//     must decode back to exactly its rows.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "protocol/huffman.h"

namespace {

void rebuildAndDecode(FuzzInput& in) {
    const uint32_t count = in.take<uint16_t>() % 1024 + 1;
    std::vector<uint16_t> preorder(count), inorder(count);
    for (uint16_t& s : preorder) s = in.take<uint16_t>();
    for (uint16_t& s : inorder) s = in.take<uint16_t>();
    const auto package = in.rest();
    DecodeNode* tree = KVMakeHfmTree(preorder.data(), count, inorder.data(), count);
    if (tree != nullptr && !package.empty()) {
        uint32_t decoded = 0;
        std::free(KVHFMdecoding(tree, package.data(), int32_t(package.size()), &decoded));
        std::free(KVHFMdecodingChecked(tree, count, package.data(), int32_t(package.size()), &decoded));
    }
    std::free(tree);
}

// Decodes one package and checks it against the bytes it was made from.
void expectDecodes(const DecodeNode* tree, const uint8_t* package, uint32_t length, const uint8_t* data, size_t size) {
    uint32_t count = 0;
    uint8_t* out = KVHFMdecoding(tree, package, int32_t(length), &count);
    if (out == nullptr || count != size || (size > 0 && std::memcmp(out, data, size) != 0)) std::abort();
    std::free(out);
}

void roundTrip(FuzzInput& in) {
    const uint32_t width = in.take<uint8_t>() % 64 + 1;
    const uint32_t budget = in.take<uint16_t>() % 4096;
    const auto data = in.rest();
    const uint32_t rows = uint32_t(data.size() / width);
    if (rows == 0) return;
    const uint32_t size = rows * width;
    uint32_t nodeCount = 0;
    HfmNode* nodes = KVGetHfmTree(data.data(), size, &nodeCount);
    uint16_t* pre = KVGetTreePreorder(nodes, nodeCount);
    uint16_t* mid = KVGetTreeMiddleorder(nodes, nodeCount);
    if (nodes == nullptr || pre == nullptr || mid == nullptr) std::abort();
    if (kvHuffmanTreePack(data.first(size)).size() != 4u * nodeCount) std::abort();
    DecodeNode* tree = KVMakeHfmTree(pre, nodeCount, mid, nodeCount);
    if (tree == nullptr) std::abort();
    uint32_t length = 0;
    uint8_t* single = KVHFMencoding(nodes, nodeCount, data.data(), size, &length);
    if (single == nullptr) std::abort();
    expectDecodes(tree, single, length, data.data(), size);
    std::free(single);
    uint32_t packages = 0;
    DataBagEntry* bag = KVHFMDGencoding(nodes, nodeCount, data.data(), width, rows, budget, &packages);
    // Packages hold whole rows in order: decoded one after another they give the data.
    std::vector<uint8_t> joined;
    for (uint32_t i = 0; bag != nullptr && i < packages; ++i) {
        uint32_t count = 0;
        uint8_t* out = KVHFMdecoding(tree, bag[i].data, int32_t(bag[i].length), &count);
        if (out == nullptr || count % width != 0) std::abort();
        joined.insert(joined.end(), out, out + count);
        std::free(out);
    }
    if (bag != nullptr && (joined.size() != size || std::memcmp(joined.data(), data.data(), size) != 0)) std::abort();
    KVFreeSendDataBag(bag);
    std::free(tree);
    std::free(pre);
    std::free(mid);
    KVFreeHfmTree(nodes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    if (in.choose(2) == 0)
        rebuildAndDecode(in);
    else
        roundTrip(in);
    return 0;
}
