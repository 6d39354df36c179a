// Receiving side of the Huffman coding: the tree rebuilt from its preorder and
// inorder symbols, and the decoder of one package. Malformed sequences or
// packages give null; nothing is read or written out of bounds.
#include <cstdlib>
#include <vector>

#include "protocol/huffman.h"

namespace {

struct Range {
    uint32_t p, a, b;  // preorder index of the subtree root, inorder range [a .. b]
};

}  // namespace

bool KVMakeTree(std::span<const uint16_t> preorder, std::span<const int32_t> inorderPosition,
                std::span<DecodeNode> nodes, uint32_t p, uint32_t a, uint32_t b) {
    std::vector<Range> pending{{p, a, b}};
    while (!pending.empty()) {
        const Range r = pending.back();
        pending.pop_back();
        if (r.p >= preorder.size() || r.p >= nodes.size() || r.b < r.a) return false;
        const uint16_t symbol = preorder[r.p];
        const int32_t k = inorderPosition[symbol];
        // The node's symbol must lie in its own inorder range.
        if (k < 0 || static_cast<uint32_t>(k) < r.a || static_cast<uint32_t>(k) > r.b) return false;
        const uint32_t uk = static_cast<uint32_t>(k);
        DecodeNode& node = nodes[r.p];
        node = DecodeNode{-1, -1, symbol};
        if (uk > r.a) {
            node.left = static_cast<int32_t>(r.p + 1);
            pending.push_back({r.p + 1, r.a, uk - 1});
        }
        if (uk < r.b) {
            node.right = static_cast<int32_t>(r.p + (uk - r.a) + 1);
            pending.push_back({r.p + (uk - r.a) + 1, uk + 1, r.b});
        }
    }
    return true;
}

extern "C" {

DecodeNode* KVMakeHfmTree(const uint16_t* preorder, uint32_t preorderCount, const uint16_t* inorder,
                          uint32_t inorderCount) {
    if (preorder == nullptr || inorder == nullptr || preorderCount != inorderCount || preorderCount < 1 ||
        preorderCount > INT32_MAX)
        return nullptr;
    // Symbols are unique in a tree pack; a repeated symbol describes no tree.
    std::vector<int32_t> position(65536, -1);
    for (uint32_t i = 0; i < inorderCount; ++i) {
        if (position[inorder[i]] != -1) return nullptr;
        position[inorder[i]] = static_cast<int32_t>(i);
    }
    auto* nodes = static_cast<DecodeNode*>(std::malloc(preorderCount * sizeof(DecodeNode)));
    if (nodes == nullptr) return nullptr;
    if (!KVMakeTree({preorder, preorderCount}, position, {nodes, preorderCount}, 0, 0, preorderCount - 1)) {
        std::free(nodes);
        return nullptr;
    }
    return nodes;
}

uint8_t* KVHFMdecodingChecked(const DecodeNode* nodes, uint32_t nodeCount, const uint8_t* package, int32_t length,
                              uint32_t* count) {
    if (count != nullptr) *count = 0;
    if (nodes == nullptr || package == nullptr || length < 1 || nodeCount < 1 || package[0] > 7) return nullptr;
    const int64_t bits = static_cast<int64_t>(length - 1) * 8 - package[0];
    if (bits < 0) return nullptr;
    // A root without children would emit forever without consuming bits.
    if (nodes[0].left == -1 && nodes[0].right == -1) return nullptr;
    auto* out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bits) + 1));
    if (out == nullptr) return nullptr;
    uint32_t emitted = 0;
    int32_t at = 0;
    for (int64_t i = 0; i < bits; ++i) {
        const bool one = (package[1 + (i >> 3)] >> (7 - (i & 7))) & 1;
        at = one ? nodes[at].right : nodes[at].left;
        if (at < 0 || static_cast<uint32_t>(at) >= nodeCount) break;  // walk to a missing child
        const DecodeNode& node = nodes[at];
        if (node.left == -1 && node.right == -1) {
            if (node.symbol > 255) break;
            out[emitted++] = static_cast<uint8_t>(node.symbol);
            at = 0;
        }
    }
    // Every bit must have been used and the last code must end on a leaf.
    if (at != 0) {
        std::free(out);
        return nullptr;
    }
    if (count != nullptr) *count = emitted;
    return out;
}

uint8_t* KVHFMdecoding(const DecodeNode* nodes, const uint8_t* package, int32_t length, uint32_t* count) {
    // Trees from KVMakeHfmTree only point at nodes they contain.
    return KVHFMdecodingChecked(nodes, INT32_MAX, package, length, count);
}

}  // extern "C"
