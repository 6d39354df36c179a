// Huffman encoder: codes whole bitmap rows and splits them into packages that
// each start with their padding-bit count. The bits are written packed once;
// a package's last byte carries, in its padding, the first bits of the next
// package (the printer skips them by the count), zero after the last package.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/huffman.h"

namespace {

// Code of one byte value, packed MSB first into 32-bit chunks.
struct Code {
    uint32_t chunks[9];
    int32_t length = -1;  // -1: no leaf for this value
};

bool buildCodes(const HfmNode* nodes, uint32_t nodeCount, Code* codes) {
    if (nodes == nullptr || nodeCount < 1) return false;
    for (uint32_t i = 0; i < nodeCount; ++i) {
        const HfmNode& node = nodes[i];
        if (node.left != -1 || node.right != -1 || node.symbol > 255) continue;
        if (node.codeLength < 1 || node.codeLength > 258) return false;
        Code& code = codes[node.symbol];
        std::memset(code.chunks, 0, sizeof code.chunks);
        for (int32_t b = 0; b < node.codeLength; ++b)
            if (node.code[b]) code.chunks[b / 32] |= 1u << (31 - b % 32);
        code.length = node.codeLength;
    }
    return true;
}

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(const Code& code) {
        int32_t left = code.length;
        for (int c = 0; left > 0; ++c) {
            int take = left < 32 ? left : 32;
            append(code.chunks[c] >> (32 - take), take);
            left -= take;
        }
    }
    // Flushes the last partial byte, zero-filled.
    void finish() {
        if (pending_ > 0) out_.push_back(static_cast<uint8_t>(acc_ << (8 - pending_)));
        pending_ = 0;
    }

private:
    void append(uint64_t bits, int count) {
        acc_ = (acc_ << count) | bits;
        pending_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            out_.push_back(static_cast<uint8_t>(acc_ >> pending_));
        }
    }
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int pending_ = 0;
};

// Codes all bytes into one packed stream; false when a byte has no code.
bool codeStream(const Code* codes, const uint8_t* data, size_t length, std::vector<uint8_t>& stream) {
    BitWriter writer(stream);
    for (size_t i = 0; i < length; ++i) {
        const Code& code = codes[data[i]];
        if (code.length < 0) return false;
        writer.put(code);
    }
    writer.finish();
    stream.resize(stream.size() + 2, 0);  // zero bits after the last package
    return true;
}

// The 8 stream bits starting at bit position.
uint8_t bitsAt(const std::vector<uint8_t>& stream, uint64_t position) {
    size_t byte = static_cast<size_t>(position >> 3);
    unsigned shift = static_cast<unsigned>(position & 7);
    if (shift == 0) return stream[byte];
    return static_cast<uint8_t>(stream[byte] << shift | stream[byte + 1] >> (8 - shift));
}

struct Package {
    uint64_t firstBit;
    uint64_t bits;
};

// Whole rows per package: a row that would make the package reach the bit
// budget starts the next package; no package is empty.
std::vector<Package> splitRows(const Code* codes, const uint8_t* data, uint32_t rowWidth, uint32_t rowCount,
                               uint32_t budget) {
    const int64_t budgetBits = (static_cast<int64_t>(budget) - 1) * 8;
    std::vector<Package> packages;
    uint64_t start = 0, running = 0;
    bool open = false;
    for (uint32_t r = 0; r < rowCount; ++r) {
        uint64_t rowBits = 0;
        const uint8_t* row = data + static_cast<size_t>(r) * rowWidth;
        for (uint32_t x = 0; x < rowWidth; ++x) rowBits += static_cast<uint64_t>(codes[row[x]].length);
        if (open && static_cast<int64_t>(running + rowBits) >= budgetBits) {
            packages.push_back({start, running});
            start += running;
            running = 0;
        }
        running += rowBits;
        open = true;
    }
    if (open) packages.push_back({start, running});
    return packages;
}

}  // namespace

extern "C" {

DataBagEntry* KVHFMDGencoding(const HfmNode* nodes, uint32_t nodeCount, const uint8_t* data, uint32_t rowWidth,
                              uint32_t rowCount, uint32_t packageBudget, uint32_t* packageCount) {
    if (packageCount != nullptr) *packageCount = 0;
    Code codes[256];
    if (data == nullptr || rowWidth == 0 || rowCount == 0 || !buildCodes(nodes, nodeCount, codes)) return nullptr;
    std::vector<uint8_t> stream;
    if (!codeStream(codes, data, static_cast<size_t>(rowWidth) * rowCount, stream)) return nullptr;
    const std::vector<Package> packages = splitRows(codes, data, rowWidth, rowCount, packageBudget);
    size_t blockSize = 0;
    for (const Package& p : packages) blockSize += 1 + static_cast<size_t>((p.bits + 7) / 8);
    auto* bag = static_cast<DataBagEntry*>(std::malloc(packages.size() * sizeof(DataBagEntry)));
    auto* block = static_cast<uint8_t*>(std::malloc(blockSize));
    if (bag == nullptr || block == nullptr || blockSize > UINT32_MAX) {
        std::free(bag);
        std::free(block);
        return nullptr;
    }
    uint8_t* out = block;
    for (size_t i = 0; i < packages.size(); ++i) {
        const uint64_t bytes = (packages[i].bits + 7) / 8;
        out[0] = static_cast<uint8_t>(bytes * 8 - packages[i].bits);
        for (uint64_t j = 0; j < bytes; ++j) out[1 + j] = bitsAt(stream, packages[i].firstBit + 8 * j);
        bag[i] = DataBagEntry{out, static_cast<uint32_t>(bytes + 1)};
        out += bytes + 1;
    }
    if (packageCount != nullptr) *packageCount = static_cast<uint32_t>(packages.size());
    return bag;
}

void KVFreeSendDataBag(DataBagEntry* bag) {
    if (bag == nullptr) return;
    std::free(bag[0].data);
    std::free(bag);
}

uint8_t* KVHFMencoding(const HfmNode* nodes, uint32_t nodeCount, const uint8_t* data, uint32_t length,
                       uint32_t* outLength) {
    if (outLength != nullptr) *outLength = 0;
    Code codes[256];
    if (data == nullptr || length < 1 || !buildCodes(nodes, nodeCount, codes)) return nullptr;
    std::vector<uint8_t> stream;
    if (!codeStream(codes, data, length, stream)) return nullptr;
    uint64_t bits = 0;
    for (uint32_t i = 0; i < length; ++i) bits += static_cast<uint64_t>(codes[data[i]].length);
    const uint64_t bytes = (bits + 7) / 8;
    if (bytes + 1 > UINT32_MAX) return nullptr;
    auto* out = static_cast<uint8_t*>(std::malloc(bytes + 1));
    if (out == nullptr) return nullptr;
    out[0] = static_cast<uint8_t>(bytes * 8 - bits);
    std::memcpy(out + 1, stream.data(), bytes);
    if (outLength != nullptr) *outLength = static_cast<uint32_t>(bytes + 1);
    return out;
}

}  // extern "C"
