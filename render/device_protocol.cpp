// Device protocol decoder: frames (with or without the A3 1E lead, checked by
// their CRC-32, AES-128 decrypted for the encrypted family), the settings
// commands, and the image transfer: start, Huffman tree, coded or raw data
// packages and end, assembled into the page picture. The feed command closes
// a page. CRC, AES and the Huffman decoder are the protocol library's own.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "protocol/aes128.h"
#include "protocol/crc32.h"
#include "protocol/huffman.h"
#include "render/decoders.h"

namespace kvrender {
namespace {

struct Frame {
    size_t at = 0;
    uint32_t family = 0;
    bool encrypted = false;
    uint8_t cmd = 0, sub = 0;
    std::vector<uint8_t> payload;
};

struct Transfer {
    Page page;
    bool haveImage = false;
    uint32_t rowBytes = 0;
    uint64_t rowsFilled = 0;
    std::vector<DecodeNode> tree;
    uint32_t frames = 0;
    int64_t family = -1;
};

std::string hexOf(std::span<const uint8_t> b, size_t limit = 16) {
    std::string out;
    char tmp[4];
    for (size_t i = 0; i < b.size() && i < limit; ++i) {
        std::snprintf(tmp, sizeof tmp, "%s%02X", out.empty() ? "" : " ", b[i]);
        out += tmp;
    }
    if (b.size() > limit) out += " ...";
    return out;
}

// Decrypts an encrypted body and returns the clear body (padding kept).
std::vector<uint8_t> decrypt(DecodeContext& ctx, std::span<const uint8_t> cipher, size_t at) {
    if (cipher.empty() || cipher.size() % 16 != 0)
        ctx.in.failAt(at, "an encrypted body of whole 16-byte blocks, not " + std::to_string(cipher.size()) + " bytes");
    std::vector<uint8_t> clear(cipher.size());
    AES_Init(AES128_Key);
    AES_Decrypt(clear.data(), cipher.data(), static_cast<uint32_t>(cipher.size()), AES128_IVKey);
    return clear;
}

Frame readFrame(DecodeContext& ctx) {
    ByteCursor& in = ctx.in;
    Frame f;
    f.at = in.pos();
    if (in.u8("a device frame") != 0xA3) in.failAt(f.at, "a device frame starting with A3");
    f.family = 163;
    if (in.peek() == 0x1E) {
        in.skip(1);
        f.family = in.u8("the frame's printer family byte");
    }
    const size_t encAt = in.pos();
    const uint8_t enc = in.u8("the frame's encryption byte");
    if (enc != 0x00 && enc != 0x20) in.failAt(encAt, "encryption byte 00 (clear) or 20 (AES-128)");
    f.encrypted = enc == 0x20;
    const uint32_t bodyLength = in.le16("the frame's body length");
    const size_t bodyAt = in.pos();
    const auto body = in.take(bodyLength, "the frame body");
    const size_t crcAt = in.pos();
    const uint32_t crc = in.le32("the frame's CRC-32");
    const uint32_t want = HAL_KV_crc32(kvCrcSeedForType(f.family), body.data(), static_cast<uint32_t>(body.size()));
    if (crc != want) {
        char text[64];
        std::snprintf(text, sizeof text, "the CRC-32 %08X of the frame body (found %08X)", want, crc);
        in.failAt(crcAt, text);
    }
    std::vector<uint8_t> clear =
        f.encrypted ? decrypt(ctx, body, bodyAt) : std::vector<uint8_t>(body.begin(), body.end());
    if (clear.size() < 5) in.failAt(bodyAt, "a frame body of at least 5 bytes");
    f.cmd = clear[1];
    f.sub = clear[2];
    const size_t dataLength = clear[3] | (static_cast<size_t>(clear[4]) << 8);
    const size_t padding = clear.size() - 5 - std::min(dataLength, clear.size() - 5);
    if (dataLength + 5 > clear.size() || (!f.encrypted && padding != 0) ||
        (f.encrypted && (padding == 0 || padding > 16)))
        in.failAt(bodyAt + 3, "a payload length that fits the frame body (" + std::to_string(dataLength) + " in " +
                                  std::to_string(clear.size()) + " body bytes)");
    f.payload.assign(clear.begin() + 5, clear.begin() + 5 + static_cast<ptrdiff_t>(dataLength));
    return f;
}

void finishPage(DecodeContext& ctx, Transfer& t, const std::string& close) {
    if (t.haveImage && t.rowsFilled < t.page.height)
        ctx.in.fail("image data for rows " + std::to_string(t.rowsFilled) + " to " + std::to_string(t.page.height) +
                    " before " + close);
    if (!t.haveImage && t.page.settings.empty()) return;
    ctx.result.pages.push_back(std::move(t.page));
    t.page = Page{};
    t.haveImage = false;
    t.rowsFilled = 0;
    t.tree.clear();
}

void imageStart(DecodeContext& ctx, Transfer& t, const Frame& f) {
    if (f.payload.size() != 7) ctx.in.failAt(f.at, "an image start with 7 payload bytes");
    const uint32_t w = f.payload[0] | (f.payload[1] << 8), h = f.payload[2] | (f.payload[3] << 8);
    if (t.haveImage && t.rowsFilled < t.page.height) {  // the next part of the open image
        if (w != t.page.width || h != t.page.height)
            ctx.in.failAt(f.at, "an image start of " + std::to_string(t.page.width) + " x " +
                                    std::to_string(t.page.height) + " continuing the open image");
        return;
    }
    if (t.haveImage) finishPage(ctx, t, "the next image");
    t.page.width = w;
    t.page.height = h;
    t.page.black = ctx.newPlane(w, h, f.at, "an image");
    t.rowBytes = (w + 7) / 8;
    t.haveImage = true;
    setSetting(t.page, "size", std::to_string(w) + " x " + std::to_string(h) + " dots");
}

void imageTree(DecodeContext& ctx, Transfer& t, const Frame& f) {
    const size_t n = f.payload.size() / 4;
    if (f.payload.size() % 4 != 0 || n % 2 == 0 || n > 511)
        ctx.in.failAt(f.at,
                      "a tree pack of 4 x (an odd count up to 511) bytes, not " + std::to_string(f.payload.size()));
    std::vector<uint16_t> pre(n), in(n);
    for (size_t i = 0; i < n; ++i) {
        pre[i] = static_cast<uint16_t>(f.payload[2 * i] | (f.payload[2 * i + 1] << 8));
        in[i] = static_cast<uint16_t>(f.payload[2 * (n + i)] | (f.payload[2 * (n + i) + 1] << 8));
    }
    std::unique_ptr<DecodeNode, decltype(&std::free)> nodes(
        KVMakeHfmTree(pre.data(), static_cast<uint32_t>(n), in.data(), static_cast<uint32_t>(n)), &std::free);
    if (!nodes) ctx.in.failAt(f.at, "a tree pack that describes a code tree");
    t.tree.assign(nodes.get(), nodes.get() + n);
}

void placeRows(DecodeContext& ctx, Transfer& t, const Frame& f, std::span<const uint8_t> rows, uint64_t firstRow) {
    if (rows.size() % t.rowBytes != 0)
        ctx.in.failAt(f.at, "image data of whole rows of " + std::to_string(t.rowBytes) + " bytes, not " +
                                std::to_string(rows.size()));
    const uint64_t count = rows.size() / t.rowBytes;
    if (firstRow + count > t.page.height)
        ctx.in.failAt(f.at, "no more rows than the image start's " + std::to_string(t.page.height));
    drawRows(t.page.black, 0, static_cast<int64_t>(firstRow), rows, t.rowBytes, count, false);
    t.rowsFilled = std::max(t.rowsFilled, firstRow + count);
}

void imageData(DecodeContext& ctx, Transfer& t, const Frame& f) {
    const auto& p = f.payload;
    if (!t.haveImage) ctx.in.failAt(f.at, "an image start before image data");
    if (p.size() < 11) ctx.in.failAt(f.at, "an image data header of 11 bytes");
    const uint32_t length = p[2] | (p[3] << 8), rowWidth = p[5] | (p[6] << 8), firstRow = p[7] | (p[8] << 8);
    if (length + 4 != p.size()) ctx.in.failAt(f.at, "an image data length field of " + std::to_string(p.size() - 4));
    if (rowWidth != t.rowBytes)
        ctx.in.failAt(f.at, "rows of " + std::to_string(t.rowBytes) + " bytes, not " + std::to_string(rowWidth));
    const auto body = std::span(p).subspan(11);
    if (p[4] == 0x01) return placeRows(ctx, t, f, body, firstRow);
    if (p[4] != 0x11) ctx.in.failAt(f.at, "image data kind 01 (raw) or 11 (Huffman-coded)");
    if (t.tree.empty()) ctx.in.failAt(f.at, "an image tree before coded image data");
    uint32_t count = 0;
    std::unique_ptr<uint8_t, decltype(&std::free)> decoded(
        KVHFMdecodingChecked(t.tree.data(), static_cast<uint32_t>(t.tree.size()), body.data(),
                             static_cast<int32_t>(body.size()), &count),
        &std::free);
    if (!decoded) ctx.in.failAt(f.at, "a Huffman package that decodes with the part's tree");
    placeRows(ctx, t, f, std::span(decoded.get(), count), t.rowsFilled);
}

void settingCommand(Transfer& t, const Frame& f) {
    const auto& p = f.payload;
    const std::string key = std::to_string(f.cmd) + "/" + std::to_string(f.sub);
    if (key == "5/4" && p.size() == 3) {
        setSetting(t.page, "darkness",
                   std::to_string(p[1]) + (p[0] == 3 ? " (fine " + std::to_string(p[2]) + ")" : ""));
    } else if (key == "5/7" && p.size() == 1) {
        setSetting(t.page, "speed", std::to_string(p[0]));
    } else if (key == "5/35" && p.size() == 1) {
        setSetting(t.page, "silent printing", p[0] != 0 ? "on" : "off");
    } else {
        setSetting(t.page, "command " + key, hexOf(p));
    }
}

void frameCommand(DecodeContext& ctx, Transfer& t, const Frame& f) {
    if (f.cmd != 5) return settingCommand(t, f);
    switch (f.sub) {
        case 11: return imageStart(ctx, t, f);
        case 14: return imageTree(ctx, t, f);
        case 13: return imageData(ctx, t, f);
        case 12: t.tree.clear(); return;
        case 8: {
            if (f.payload.size() != 3) ctx.in.failAt(f.at, "a feed command with 3 payload bytes");
            const uint32_t amount = f.payload[1] | (f.payload[2] << 8);
            const std::string note = "feed mode " + std::to_string(f.payload[0]) + ", amount " + std::to_string(amount);
            t.page.marks.push_back({Mark::Kind::Feed, t.page.height, 0, note});
            setSetting(t.page, "feed", note);
            return finishPage(ctx, t, "the feed command");
        }
        default: return settingCommand(t, f);
    }
}

}  // namespace

void decodeDeviceFrames(DecodeContext& ctx) {
    ctx.result.language = Language::Device;
    Transfer t;
    bool encrypted = false;
    while (!ctx.in.atEnd()) {
        const Frame f = readFrame(ctx);
        if (t.family < 0) t.family = f.family;
        if (f.family != static_cast<uint32_t>(t.family))
            ctx.in.failAt(f.at, "frames of one printer family (" + std::to_string(t.family) + ")");
        encrypted = encrypted || f.encrypted;
        ++t.frames;
        frameCommand(ctx, t, f);
    }
    finishPage(ctx, t, "the end of the stream");
    ctx.result.job.emplace_back("printer family", std::to_string(t.family));
    ctx.result.job.emplace_back("frames", std::to_string(t.frames) + (encrypted ? ", AES-128 encrypted" : ", clear"));
}

}  // namespace kvrender
