// Static Huffman coding of one-bit page bitmaps for the device printers: the
// code tree over the 256 byte values of an image part, its serialisation as a
// tree pack (preorder then inorder node symbols, 16-bit little-endian), the
// packaged encoder (whole rows per package) and, for the receiving side, the
// tree rebuild and the decoder.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

extern "C" {

// One node of the coding tree. Leaves first (ascending byte value, only values
// that occur), then inner nodes in creation order; the last node is the root.
struct HfmNode {
    int32_t weight;      // byte count of a leaf; sum of the children for an inner node
    int32_t left;        // left child index, -1 for a leaf
    int32_t right;       // right child index, -1 for a leaf
    int32_t parent;      // parent index, -1 while free and for the root
    int32_t codeLength;  // code bits of a leaf; 0 for inner nodes
    uint16_t symbol;     // byte value of a leaf; 256 + k for the k-th inner node
    uint8_t code[258];   // code bits from the root down, one byte (0 or 1) per bit
};

// One package of coded rows: padding-bit count, then the code bits packed MSB first.
struct DataBagEntry {
    uint8_t* data;
    uint32_t length;
};

// Node of the tree rebuilt from a tree pack; node 0 is the root.
struct DecodeNode {
    int32_t left;   // -1 none
    int32_t right;  // -1 none
    uint16_t symbol;
};

// Builds the code tree of the bytes; stores the node count (2n - 1). Null for
// null data or no bytes. The array is one malloc block (free it with KVFreeHfmTree).
HfmNode* KVGetHfmTree(const uint8_t* data, uint32_t length, uint32_t* nodeCount);
void KVFreeHfmTree(HfmNode* nodes);
// The two lightest free nodes among the first count nodes (ties to the lowest
// index); -1 where there is none.
void KVGetMinTreeNode(const HfmNode* nodes, uint32_t count, int32_t* s1, int32_t* s2);

// Node symbols in preorder / inorder from the root (malloc, nodeCount entries);
// null when the walk does not visit exactly nodeCount nodes.
uint16_t* KVGetTreePreorder(const HfmNode* nodes, uint32_t nodeCount);
uint16_t* KVGetTreeMiddleorder(const HfmNode* nodes, uint32_t nodeCount);
// Recursive walkers: write the subtree of index at out[*position...]; false
// when the tree is malformed or visits more than capacity nodes.
bool KVTreePreorder(const HfmNode* nodes, uint32_t nodeCount, int32_t index, uint16_t* out, uint32_t capacity,
                    uint32_t* position);
bool KVTreeMiddleorder(const HfmNode* nodes, uint32_t nodeCount, int32_t index, uint16_t* out, uint32_t capacity,
                       uint32_t* position);

// Codes rowCount rows of rowWidth bytes into packages of whole rows with a
// budget of packageBudget bytes; stores the package count. Null on bad input.
DataBagEntry* KVHFMDGencoding(const HfmNode* nodes, uint32_t nodeCount, const uint8_t* data, uint32_t rowWidth,
                              uint32_t rowCount, uint32_t packageBudget, uint32_t* packageCount);
// Frees the packages' shared block and the entry array; null is ignored.
void KVFreeSendDataBag(DataBagEntry* bag);
// Codes the whole input as a single package (padding bits zero); stores its length.
uint8_t* KVHFMencoding(const HfmNode* nodes, uint32_t nodeCount, const uint8_t* data, uint32_t length,
                       uint32_t* outLength);

// Rebuilds the tree from the two symbol sequences; null when a pointer is null,
// the counts differ, or the sequences describe no tree. malloc block, free().
DecodeNode* KVMakeHfmTree(const uint16_t* preorder, uint32_t preorderCount, const uint16_t* inorder,
                          uint32_t inorderCount);
// Decodes one package with a tree from KVMakeHfmTree; stores the byte count.
// Null on null input, a length below 1, or a package that does not decode.
uint8_t* KVHFMdecoding(const DecodeNode* nodes, const uint8_t* package, int32_t length, uint32_t* count);
// The same, checking every child index against nodeCount.
uint8_t* KVHFMdecodingChecked(const DecodeNode* nodes, uint32_t nodeCount, const uint8_t* package, int32_t length,
                              uint32_t* count);

}  // extern "C"

// One rebuild step: node p of the preorder covers the inorder range [a .. b].
// inorderPosition maps a symbol to its inorder index (-1 absent). Iterative,
// so a long degenerate chain cannot exhaust the stack.
bool KVMakeTree(std::span<const uint16_t> preorder, std::span<const int32_t> inorderPosition,
                std::span<DecodeNode> nodes, uint32_t p, uint32_t a, uint32_t b);

// Tree pack of exactly these bytes (preorder then inorder, 16-bit LE symbols);
// empty for no bytes.
std::vector<uint8_t> kvHuffmanTreePack(std::span<const uint8_t> data);
