// Damaged printer bytes: each decoder stops with a message naming the byte
// offset and what it expected, keeps the pages before the damage, and never
// allocates more than its budget for a small stream that claims a huge page.
#include <gtest/gtest.h>

#include <string>

#include "languages/generators.h"
#include "protocol/command_builders.h"
#include "protocol/device/transfer_entry_points.h"
#include "protocol/frame.h"
#include "protocol/protocol_state.h"
#include "render/render.h"
#include "tests/render/render_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes generated(DynamicArray* (*gen)(const uint8_t*, int64_t, uint64_t, const JobSettings*), int16_t compressed) {
    const auto page = kvrtest::testPage(96, 40);
    const JobSettings s = kvrtest::labelSettings(page, 0, compressed);
    return kvrtest::take(gen(page.grey.data(), page.width, page.height, &s));
}

size_t find(const Bytes& b, const std::string& what) {
    const auto it = std::search(b.begin(), b.end(), what.begin(), what.end());
    return it == b.end() ? b.size() : static_cast<size_t>(it - b.begin());
}

Bytes deviceJob() {
    setODMType(28);
    setMaxDataLengthOnePackage(2048);
    const Bytes bits(48 * 10, 0x5A);
    const SendPack pack = driveGetPrintDataFromHex(bits.data(), 384, 10);
    Bytes out(pack.data, pack.data + pack.length);
    freeSendPack(pack.data, pack.length);
    return out;
}

struct Damage {
    const char* name;
    Bytes bytes;
    std::string message;  // a part of the error
    size_t offset;        // where it must point
};

std::vector<Damage> damages() {
    std::vector<Damage> d;
    const Bytes tspl = generated(getTSPLPrintData, 0);
    const size_t bitmap = find(tspl, "BITMAP");
    d.push_back({"Empty", {}, "no printer bytes", 0});
    d.push_back({"NoLanguage", text("hello"), "expected printer bytes", 0});
    d.push_back({"TsplCutInsideBitmap", Bytes(tspl.begin(), tspl.begin() + static_cast<ptrdiff_t>(bitmap) + 100),
                 "ends inside the BITMAP rows", bitmap + 100});
    d.push_back({"TsplWithoutPrint", Bytes(tspl.begin(), tspl.end() - 11), "expected PRINT closing the label",
                 tspl.size() - 11});
    Bytes badMode = tspl;
    badMode[bitmap + 17] = '7';  // "BITMAP 0,0,12,40,0," -> mode 7
    d.push_back({"TsplUnknownBitmapMode", badMode, "BITMAP mode 0 (overwrite) or 3 (zlib)", bitmap});
    Bytes zlib = generated(getTSPLPrintData, 1);
    const size_t zdata = find(zlib, "BITMAP") + std::string("BITMAP 0,0,12,40,3,").size();
    const size_t zstart = find(Bytes(zlib.begin() + static_cast<ptrdiff_t>(zdata), zlib.end()), ",") + zdata + 1;
    zlib[zstart + 4] ^= 0xFF;
    d.push_back({"TsplZlibCorrupt", zlib, "zlib", zstart});
    Bytes z64 = generated(getZPLPrintData, 1);
    const size_t crc = find(z64, "^PQ") - 6;  // ":XXXX\r\n^PQ..."
    z64[crc] = z64[crc] == '0' ? '1' : '0';
    d.push_back({"ZplZ64WrongCrc", z64, "the Z64 CRC", crc});
    Bytes hex = generated(getZPLPrintData, 0);
    const size_t digits = find(hex, "^GFA") + std::string("^GFA,480,480,12,").size();
    hex[digits + 7] = 'G';
    d.push_back({"ZplBadHexDigit", hex, "hexadecimal digit of the ^GFA data", digits + 7});
    const Bytes cpcl = generated(getCPCLPrintData, 0);
    d.push_back({"CpclCutShort", Bytes(cpcl.begin(), cpcl.begin() + 200), "ends inside the EG hexadecimal data", 200});
    d.push_back({"EscPosUnknownEsc", text("\x1b@\x1b\x7f"), "an ESC command", 2});
    Bytes device = deviceJob();
    device[device.size() - 1] ^= 0x01;
    d.push_back({"DeviceCrcMismatch", device, "CRC-32", device.size() - 4});
    Bytes start = deviceJob();
    d.push_back({"DeviceTruncatedFrame", Bytes(start.begin(), start.begin() + 9), "ends inside the frame body", 9});
    return d;
}

TEST(DamagedInput, NamesTheOffsetAndWhatWasExpected) {
    for (const Damage& c : damages()) {
        const kvrender::Result r = kvrender::render(c.bytes);
        EXPECT_FALSE(r.ok()) << c.name;
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.name << ": " << r.error;
        EXPECT_EQ(r.errorOffset, c.offset) << c.name << ": " << r.error;
        EXPECT_EQ(r.error.rfind("byte " + std::to_string(c.offset), 0), c.bytes.empty() ? std::string::npos : 0)
            << c.name << ": " << r.error;
    }
}

TEST(DamagedInput, PagesBeforeTheDamageAreKept) {
    Bytes two = generated(getZPLPrintData, 0);
    const Bytes second = generated(getZPLPrintData, 0);
    two.insert(two.end(), second.begin(), second.begin() + 80);
    const kvrender::Result r = kvrender::render(two);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.pages.size(), 1u);
}

// Small streams that claim enormous pictures are refused before anything is allocated.
TEST(DamagedInput, HugeClaimsStayWithinTheBudget) {
    kvrender::Options small;
    small.maxPageDots = 1 << 20;
    const std::string claims[] = {
        "SIZE 5000mm,5000mm\r\nCLS\r\n",
        "^XA^PW30000^LL30000\r\n^FO0,0\r\n^GFA,90000000,90000000,3750,00\r\n",
        "! 0 200 200 60000 1\r\nPW 60000\r\nCG 7500 60000 0 0 \r\n",
        std::string("\x1d\x76\x30\x00\xff\xff\xff\xff", 8),
    };
    std::vector<Bytes> streams;
    for (const std::string& claim : claims) streams.push_back(text(claim));
    setODMType(28);
    const uint8_t start[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1};  // an image of 65535 x 65535 dots
    SendPackPtr frame(kvBuildCommand(5, 11, start));
    streams.emplace_back(frame.bytes().begin(), frame.bytes().end());
    for (const Bytes& claim : streams) {
        const kvrender::Result r = kvrender::render(claim, small);
        EXPECT_NE(r.error.find("of a size this renderer accepts"), std::string::npos) << r.error;
    }
}

}  // namespace
