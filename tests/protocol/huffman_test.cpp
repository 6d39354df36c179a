// Huffman coding: tree shape and tie rule, tree pack, package splitting and
// padding, and round trips through the rebuilt tree and the decoder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "protocol/huffman.h"
#include "tests/protocol/protocol_test_util.h"

using namespace kvptest;

namespace {

struct Tree {
    HfmNode* nodes = nullptr;
    uint32_t count = 0;
    explicit Tree(const Bytes& data) { nodes = KVGetHfmTree(data.data(), uint32_t(data.size()), &count); }
    ~Tree() { KVFreeHfmTree(nodes); }
    const HfmNode* leaf(uint16_t symbol) const {
        for (uint32_t i = 0; i < count; ++i)
            if (nodes[i].left == -1 && nodes[i].symbol == symbol) return &nodes[i];
        return nullptr;
    }
};

std::vector<uint16_t> symbolsOf(uint16_t* symbols, uint32_t count) {
    std::vector<uint16_t> out(symbols, symbols + (symbols ? count : 0));
    std::free(symbols);
    return out;
}

// Decodes one package with a tree rebuilt from the pack of the given data.
Bytes decodeWithPackOf(const Bytes& treeData, const uint8_t* package, uint32_t length) {
    Bytes pack = kvHuffmanTreePack(treeData);
    const uint32_t n = uint32_t(pack.size() / 4);
    std::vector<uint16_t> pre(n), in(n);
    for (uint32_t i = 0; i < n; ++i) {
        pre[i] = uint16_t(pack[2 * i] | pack[2 * i + 1] << 8);
        in[i] = uint16_t(pack[2 * (n + i)] | pack[2 * (n + i) + 1] << 8);
    }
    DecodeNode* tree = KVMakeHfmTree(pre.data(), n, in.data(), n);
    uint32_t count = 0;
    uint8_t* out = KVHFMdecodingChecked(tree, n, package, int32_t(length), &count);
    Bytes result(out, out + (out ? count : 0));
    std::free(out);
    std::free(tree);
    return result;
}

Bytes randomBitmap(std::mt19937& rng, size_t size, int spread) {
    // Mostly white with runs of a few byte values, like a label bitmap.
    Bytes data(size);
    std::uniform_int_distribution<int> pick(0, spread);
    for (auto& b : data) {
        int v = pick(rng);
        b = v < spread / 2 ? 0x00 : uint8_t(v * 37);
    }
    return data;
}

}  // namespace

TEST(HuffmanTree, TieRuleAndSerialisationOfFourBytes) {
    Tree tree({0x00, 0x00, 0x00, 0xFF});
    ASSERT_EQ(tree.count, 3u);
    EXPECT_EQ(tree.nodes[2].left, 1);  // 0xFF, the lighter, is s1
    EXPECT_EQ(tree.nodes[2].right, 0);
    EXPECT_EQ(tree.nodes[2].symbol, 256);
    EXPECT_EQ(tree.leaf(0xFF)->codeLength, 1);
    EXPECT_EQ(tree.leaf(0xFF)->code[0], 0);
    EXPECT_EQ(tree.leaf(0x00)->code[0], 1);
    EXPECT_EQ(symbolsOf(KVGetTreePreorder(tree.nodes, tree.count), 3), (std::vector<uint16_t>{256, 255, 0}));
    EXPECT_EQ(symbolsOf(KVGetTreeMiddleorder(tree.nodes, tree.count), 3), (std::vector<uint16_t>{255, 256, 0}));
    EXPECT_EQ(kvHuffmanTreePack(Bytes{0, 0, 0, 0xFF}), (Bytes{0, 1, 0xFF, 0, 0, 0, 0xFF, 0, 0, 1, 0, 0}));
}

TEST(HuffmanTree, SingleValueGetsANeighbourLeaf) {
    struct Case {
        uint8_t value;
        uint16_t neighbour;
    };
    for (Case c : {Case{0x00, 0x01}, Case{0x7F, 0x80}, Case{0x80, 0x7F}, Case{0xFF, 0xFE}}) {
        Tree tree(Bytes(50, c.value));
        ASSERT_EQ(tree.count, 3u);
        EXPECT_EQ(tree.nodes[0].symbol, c.value);
        EXPECT_EQ(tree.nodes[1].symbol, c.neighbour);
        EXPECT_EQ(tree.leaf(c.value)->codeLength, 1);
        EXPECT_EQ(kvHuffmanTreePack(Bytes(50, c.value)).size(), 12u);
    }
    // Equal weights: the lower index is s1.
    Tree equal(Bytes{0x00});
    EXPECT_EQ(equal.nodes[2].left, 0);
}

TEST(HuffmanTree, AllByteValuesGive511NodesAnd2044BytePack) {
    Bytes data;
    for (int r = 0; r < 3; ++r)
        for (int v = 0; v < 256; ++v) data.insert(data.end(), size_t(1 + (v * 7) % 13), uint8_t(v));
    Tree tree(data);
    EXPECT_EQ(tree.count, 511u);
    EXPECT_EQ(tree.nodes[510].symbol, 256 + 254);
    EXPECT_EQ(tree.nodes[510].parent, -1);
    EXPECT_EQ(kvHuffmanTreePack(data).size(), 2044u);
    EXPECT_EQ(KVGetHfmTree(nullptr, 4, nullptr), nullptr);
    EXPECT_EQ(KVGetHfmTree(data.data(), 0, nullptr), nullptr);
}

TEST(HuffmanEncode, PackagePaddingAndSplitting) {
    // 0x00 codes as 1, 0xFF as 0: 13 bits of 1 need two bytes and 3 padding bits.
    Bytes data{0x00, 0x00, 0x00, 0xFF};
    Tree tree(data);
    Bytes rows(13, 0x00);
    rows.push_back(0xFF);
    uint32_t length = 0;
    uint8_t* one = KVHFMencoding(tree.nodes, tree.count, rows.data(), 13, &length);
    ASSERT_EQ(length, 3u);
    EXPECT_EQ((Bytes{one[0], one[1], one[2]}), (Bytes{3, 0xFF, 0xF8}));
    std::free(one);

    // Rows of 5 bytes (5 bits each), budget 2 bytes = 8 bits: every row alone;
    // the padding of a package holds the next package's first bits.
    Bytes bitmap{0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0, 0xFF, 0};
    uint32_t packages = 0;
    DataBagEntry* bag = KVHFMDGencoding(tree.nodes, tree.count, bitmap.data(), 5, 3, 2, &packages);
    ASSERT_EQ(packages, 3u);
    EXPECT_EQ((Bytes{bag[0].data[0], bag[0].data[1]}), (Bytes{3, 0xF8}));  // 11111 then 000 of row 2
    EXPECT_EQ((Bytes{bag[1].data[0], bag[1].data[1]}), (Bytes{3, 0x05}));  // 00000 then 101 of row 3
    EXPECT_EQ((Bytes{bag[2].data[0], bag[2].data[1]}), (Bytes{3, 0xA8}));  // 10101, zero after the end
    EXPECT_EQ(bag[2].data, bag[0].data + 4);                               // one shared block
    KVFreeSendDataBag(bag);

    // Budget 3 bytes = 16 bits: rows 1-2 (10 bits) fit, row 3 would reach 15 < 16: all in one.
    bag = KVHFMDGencoding(tree.nodes, tree.count, bitmap.data(), 5, 3, 3, &packages);
    ASSERT_EQ(packages, 1u);
    EXPECT_EQ(bag[0].length, 3u);
    EXPECT_EQ(bag[0].data[0], 1);
    KVFreeSendDataBag(bag);
    // 16 bits exactly: 8 rows of 2 bytes end on a byte boundary.
    Bytes even(16, 0x00);
    bag = KVHFMDGencoding(tree.nodes, tree.count, even.data(), 2, 8, 100, &packages);
    ASSERT_EQ(packages, 1u);
    EXPECT_EQ((Bytes{bag[0].data, bag[0].data + 3}), (Bytes{0, 0xFF, 0xFF}));
    KVFreeSendDataBag(bag);
    KVFreeSendDataBag(nullptr);
    EXPECT_EQ(KVHFMDGencoding(nullptr, 3, even.data(), 2, 8, 100, &packages), nullptr);
    // A byte the tree has no leaf for cannot be coded.
    Bytes foreign{0x42};
    EXPECT_EQ(KVHFMencoding(tree.nodes, tree.count, foreign.data(), 1, &length), nullptr);
}

TEST(HuffmanEncode, RandomRoundTripsThroughTheTreePack) {
    std::mt19937 rng(1234);
    for (int spread : {2, 9, 60, 400}) {
        const uint32_t width = 48, rows = 97;
        Bytes data = randomBitmap(rng, width * rows, spread);
        Tree tree(data);
        uint32_t packages = 0;
        DataBagEntry* bag = KVHFMDGencoding(tree.nodes, tree.count, data.data(), width, rows, 200, &packages);
        ASSERT_NE(bag, nullptr);
        Bytes decoded;
        for (uint32_t i = 0; i < packages; ++i) {
            EXPECT_LE(bag[i].length, 200u + width * 16) << "package " << i;
            Bytes part = decodeWithPackOf(data, bag[i].data, bag[i].length);
            EXPECT_EQ(part.size() % width, 0u);
            decoded.insert(decoded.end(), part.begin(), part.end());
        }
        EXPECT_EQ(decoded, data) << spread;
        KVFreeSendDataBag(bag);
    }
}

TEST(HuffmanDecode, MalformedInputGivesNothing) {
    const uint16_t pre[] = {256, 255, 0};
    const uint16_t in[] = {255, 256, 0};
    const uint16_t missing[] = {255, 257, 0};  // root symbol not in the inorder range
    const uint16_t repeated[] = {255, 255, 0};
    const uint16_t rootFirst[] = {256, 255, 0};  // left-leaning chain: 256 has no left child
    EXPECT_EQ(KVMakeHfmTree(pre, 3, missing, 3), nullptr);
    EXPECT_EQ(KVMakeHfmTree(pre, 3, repeated, 3), nullptr);
    EXPECT_EQ(KVMakeHfmTree(pre, 3, in, 2), nullptr);
    EXPECT_EQ(KVMakeHfmTree(nullptr, 3, in, 3), nullptr);
    const uint16_t leafOutOfRange[] = {256, 0, 255};  // 0 claims the left range that holds only 255
    EXPECT_EQ(KVMakeHfmTree(leafOutOfRange, 3, in, 3), nullptr);

    DecodeNode* chain = KVMakeHfmTree(pre, 3, rootFirst, 3);  // 256 -> right 255 -> right 0
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain[0].left, -1);
    uint32_t count = 0;
    const uint8_t leftWalk[] = {0, 0x00};  // bit 0 at the root: missing child
    EXPECT_EQ(KVHFMdecodingChecked(chain, 3, leftWalk, 2, &count), nullptr);
    std::free(chain);

    DecodeNode* tree = KVMakeHfmTree(pre, 3, in, 3);
    ASSERT_NE(tree, nullptr);
    const uint8_t good[] = {5, 0x40};  // 3 bits 010 -> FF, 00, FF
    uint8_t* out = KVHFMdecoding(tree, good, 2, &count);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ((Bytes{out, out + count}), (Bytes{0xFF, 0x00, 0xFF}));
    std::free(out);
    const uint8_t badPadding[] = {9, 0x40};
    EXPECT_EQ(KVHFMdecoding(tree, badPadding, 2, &count), nullptr);
    EXPECT_EQ(KVHFMdecoding(tree, good, 0, &count), nullptr);
    std::free(tree);

    // A deep degenerate chain rebuilds without recursion.
    const uint32_t n = 60001;
    std::vector<uint16_t> deepPre(n), deepIn(n);
    for (uint32_t i = 0; i < n; ++i) deepPre[i] = deepIn[n - 1 - i] = uint16_t(i);
    DecodeNode* deep = KVMakeHfmTree(deepPre.data(), n, deepIn.data(), n);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep[n - 2].left, int32_t(n - 1));
    std::free(deep);
}

TEST(HuffmanTree, MergeOrderMatchesTheLightestPairSearch) {
    // Many equal counts exercise the tie rule; the reference merges with
    // KVGetMinTreeNode over the same leaves.
    std::mt19937 rng(99);
    for (int round = 0; round < 20; ++round) {
        Bytes data;
        const int values = 2 + int(rng() % 255);
        for (int v = 0; v < values; ++v) data.insert(data.end(), size_t(1 + rng() % 4), uint8_t(v * 251 / values));
        Tree tree(data);
        std::vector<HfmNode> ref(tree.nodes, tree.nodes + tree.count);
        const uint32_t leaves = (tree.count + 1) / 2;
        for (auto& node : ref) node.parent = -1;
        for (uint32_t m = leaves; m < tree.count; ++m) {
            int32_t s1 = -1, s2 = -1;
            KVGetMinTreeNode(ref.data(), m, &s1, &s2);
            ref[size_t(s1)].parent = ref[size_t(s2)].parent = int32_t(m);
            ref[m].weight = ref[size_t(s1)].weight + ref[size_t(s2)].weight;
            ASSERT_EQ(tree.nodes[m].left, s1) << "round " << round << " node " << m;
            ASSERT_EQ(tree.nodes[m].right, s2) << "round " << round << " node " << m;
        }
    }
}
