// Huffman tree of an image part: byte counts, the lightest-pair merging with
// its tie rule (a later node wins only when strictly lighter), the codes, and
// the preorder / inorder serialisation sent to the printer as the tree pack.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "protocol/huffman.h"

namespace {

constexpr uint16_t kInnerSymbolBase = 256;

// Leaves in ascending byte value; a lone value gets a weight-1 neighbour so
// that every code has at least one bit.
uint32_t collectLeaves(const uint8_t* data, uint32_t length, int32_t* weights, uint16_t* symbols) {
    int32_t counts[256] = {};
    for (uint32_t i = 0; i < length; ++i) ++counts[data[i]];
    uint32_t n = 0;
    for (int v = 0; v < 256; ++v)
        if (counts[v] != 0) {
            weights[n] = counts[v];
            symbols[n++] = static_cast<uint16_t>(v);
        }
    if (n == 1) {
        weights[1] = 1;
        symbols[1] = static_cast<uint16_t>(symbols[0] < 128 ? symbols[0] + 1 : symbols[0] - 1);
        n = 2;
    }
    return n;
}

void assignCodes(HfmNode* nodes, uint32_t leafCount) {
    for (uint32_t i = 0; i < leafCount; ++i) {
        uint8_t reversed[258];
        int32_t length = 0;
        int32_t child = static_cast<int32_t>(i);
        for (int32_t parent = nodes[i].parent; parent != -1 && length < 258; parent = nodes[parent].parent) {
            reversed[length++] = nodes[parent].left == child ? 0 : 1;
            child = parent;
        }
        for (int32_t k = 0; k < length; ++k) nodes[i].code[k] = reversed[length - 1 - k];
        nodes[i].codeLength = length;
    }
}

bool isLeaf(const HfmNode& node) { return node.left == -1 && node.right == -1; }

bool validChild(int32_t index, uint32_t nodeCount) { return index >= 0 && static_cast<uint32_t>(index) < nodeCount; }

bool walk(const HfmNode* nodes, uint32_t nodeCount, int32_t index, uint16_t* out, uint32_t capacity, uint32_t* position,
          uint32_t depth, bool preorder) {
    if (!validChild(index, nodeCount) || depth > nodeCount) return false;
    const HfmNode& node = nodes[index];
    auto emit = [&] {
        if (*position >= capacity) return false;
        out[(*position)++] = node.symbol;
        return true;
    };
    if (isLeaf(node)) return emit();
    if (preorder && !emit()) return false;
    if (node.left != -1 && !walk(nodes, nodeCount, node.left, out, capacity, position, depth + 1, preorder))
        return false;
    if (!preorder && !emit()) return false;
    return node.right == -1 || walk(nodes, nodeCount, node.right, out, capacity, position, depth + 1, preorder);
}

uint16_t* walkTree(const HfmNode* nodes, uint32_t nodeCount, bool preorder) {
    if (nodes == nullptr || nodeCount < 1) return nullptr;
    auto* out = static_cast<uint16_t*>(std::malloc(nodeCount * sizeof(uint16_t)));
    if (out == nullptr) return nullptr;
    uint32_t position = 0;
    int32_t root = static_cast<int32_t>(nodeCount - 1);
    if (!walk(nodes, nodeCount, root, out, nodeCount, &position, 0, preorder) || position != nodeCount) {
        std::free(out);
        return nullptr;
    }
    return out;
}

}  // namespace

extern "C" {

void KVGetMinTreeNode(const HfmNode* nodes, uint32_t count, int32_t* s1, int32_t* s2) {
    int32_t first = -1, second = -1;
    for (uint32_t i = 0; nodes != nullptr && i < count; ++i)
        if (nodes[i].parent == -1 && (first == -1 || nodes[i].weight < nodes[first].weight))
            first = static_cast<int32_t>(i);
    for (uint32_t i = 0; nodes != nullptr && i < count; ++i)
        if (nodes[i].parent == -1 && static_cast<int32_t>(i) != first &&
            (second == -1 || nodes[i].weight < nodes[second].weight))
            second = static_cast<int32_t>(i);
    if (s1 != nullptr) *s1 = first;
    if (s2 != nullptr) *s2 = second;
}

HfmNode* KVGetHfmTree(const uint8_t* data, uint32_t length, uint32_t* nodeCount) {
    if (nodeCount != nullptr) *nodeCount = 0;
    if (data == nullptr || length < 1) return nullptr;
    int32_t weights[256];
    uint16_t symbols[256];
    const uint32_t n = collectLeaves(data, length, weights, symbols);
    const uint32_t total = 2 * n - 1;
    auto* nodes = static_cast<HfmNode*>(std::calloc(total, sizeof(HfmNode)));
    if (nodes == nullptr) return nullptr;
    for (uint32_t i = 0; i < total; ++i) {
        nodes[i].left = nodes[i].right = nodes[i].parent = -1;
        nodes[i].weight = i < n ? weights[i] : 0;
        nodes[i].symbol = i < n ? symbols[i] : static_cast<uint16_t>(kInnerSymbolBase + (i - n));
    }
    // Free nodes ordered by (weight, index): the lightest first, ties to the
    // lowest index, which is exactly KVGetMinTreeNode's choice.
    using Entry = std::pair<int64_t, int32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> pending;
    for (uint32_t i = 0; i < n; ++i) pending.emplace(nodes[i].weight, static_cast<int32_t>(i));
    for (uint32_t m = n; m < total; ++m) {
        const int32_t s1 = pending.top().second;
        pending.pop();
        const int32_t s2 = pending.top().second;
        pending.pop();
        nodes[s1].parent = nodes[s2].parent = static_cast<int32_t>(m);
        nodes[m].weight = nodes[s1].weight + nodes[s2].weight;
        nodes[m].left = s1;
        nodes[m].right = s2;
        pending.emplace(nodes[m].weight, static_cast<int32_t>(m));
    }
    assignCodes(nodes, n);
    if (nodeCount != nullptr) *nodeCount = total;
    return nodes;
}

void KVFreeHfmTree(HfmNode* nodes) { std::free(nodes); }

uint16_t* KVGetTreePreorder(const HfmNode* nodes, uint32_t nodeCount) { return walkTree(nodes, nodeCount, true); }

uint16_t* KVGetTreeMiddleorder(const HfmNode* nodes, uint32_t nodeCount) { return walkTree(nodes, nodeCount, false); }

bool KVTreePreorder(const HfmNode* nodes, uint32_t nodeCount, int32_t index, uint16_t* out, uint32_t capacity,
                    uint32_t* position) {
    if (nodes == nullptr || out == nullptr || position == nullptr) return false;
    return walk(nodes, nodeCount, index, out, capacity, position, 0, true);
}

bool KVTreeMiddleorder(const HfmNode* nodes, uint32_t nodeCount, int32_t index, uint16_t* out, uint32_t capacity,
                       uint32_t* position) {
    if (nodes == nullptr || out == nullptr || position == nullptr) return false;
    return walk(nodes, nodeCount, index, out, capacity, position, 0, false);
}

}  // extern "C"

std::vector<uint8_t> kvHuffmanTreePack(std::span<const uint8_t> data) {
    std::vector<uint8_t> pack;
    if (data.empty() || data.size() > UINT32_MAX) return pack;
    uint32_t count = 0;
    HfmNode* nodes = KVGetHfmTree(data.data(), static_cast<uint32_t>(data.size()), &count);
    uint16_t* pre = KVGetTreePreorder(nodes, count);
    uint16_t* in = KVGetTreeMiddleorder(nodes, count);
    if (pre != nullptr && in != nullptr) {
        pack.resize(4u * count);
        for (uint32_t i = 0; i < count; ++i) {
            pack[2 * i] = static_cast<uint8_t>(pre[i]);
            pack[2 * i + 1] = static_cast<uint8_t>(pre[i] >> 8);
            pack[2 * (count + i)] = static_cast<uint8_t>(in[i]);
            pack[2 * (count + i) + 1] = static_cast<uint8_t>(in[i] >> 8);
        }
    }
    std::free(pre);
    std::free(in);
    KVFreeHfmTree(nodes);
    return pack;
}
