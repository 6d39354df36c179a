// Test label geometry and PostScript: symbols from zint (Code 128, EAN-13,
// Data Matrix) and qrencode (QR) drawn module by module at a size of whole
// 203-dpi dots, text at 8 and 6 points, a grey logo, a 50 % patch, a stepped
// gradient and a synthetic photograph.
#include "tests/quality/label_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>

namespace kvquality {
namespace {

constexpr double kPtPerMm = 72.0 / 25.4;
constexpr double kDot203 = 72.0 / 203.0;  // points per dot at 203 dpi

std::string run(const std::string& command, int& status) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    if (!pipe) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
    status = pclose(pipe.release());
    return out;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// zint --dump: one line of hexadecimal digits per module row, most significant bit first.
std::vector<std::vector<bool>> zintModules(int barcode, const std::string& data, std::string& error) {
    int status = 0;
    const std::string out =
        run("zint -b " + std::to_string(barcode) + " --dump -d " + shellQuote(data) + " 2>&1", status);
    std::vector<std::vector<bool>> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<bool> row;
        std::istringstream bytes(line);
        for (std::string hex; bytes >> hex;) {  // four modules per digit (a row may end in one digit)
            for (char digit : hex) {
                const unsigned long v = std::strtoul(std::string(1, digit).c_str(), nullptr, 16);
                for (int b = 3; b >= 0; --b) row.push_back(((v >> b) & 1u) != 0);
            }
        }
        if (!row.empty()) rows.push_back(row);
    }
    if (status != 0 || rows.empty()) {
        error = "zint failed: " + out;
        return {};
    }
    // The dump pads rows to whole bytes: a linear symbol ends with a bar, a
    // square Data Matrix is as wide as it is high.
    size_t width = 0;
    for (const auto& r : rows)
        for (size_t i = 0; i < r.size(); ++i)
            if (r[i]) width = std::max(width, i + 1);
    if (barcode == 71) width = rows.size();
    for (auto& r : rows) r.resize(width);
    return rows;
}

std::vector<std::vector<bool>> qrModules(const std::string& data, std::string& error) {
    int status = 0;
    const std::string out = run("qrencode -t ASCII -m 0 -l M " + shellQuote(data) + " 2>&1", status);
    std::vector<std::vector<bool>> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<bool> row;
        for (size_t i = 0; i + 1 < line.size() + 1; i += 2) row.push_back(line[i] == '#');
        if (!row.empty()) rows.push_back(row);
    }
    if (status != 0 || rows.empty()) error = "qrencode failed: " + out;
    return status == 0 ? rows : std::vector<std::vector<bool>>{};
}

// Quiet zone in modules on each side.
double quietModules(Symbology kind) {
    switch (kind) {
        case Symbology::Code128: return 10;
        case Symbology::Ean13: return 11;
        case Symbology::Qr: return 4;
        case Symbology::DataMatrix: return 2;
    }
    return 4;
}

void drawModules(std::ostringstream& ps, const Label& label, const Symbol& s,
                 const std::vector<std::vector<bool>>& rows) {
    const double m = s.dotsPerModule * kDot203;
    const double q = quietModules(s.kind) * m;
    const bool linear = s.kind == Symbology::Code128 || s.kind == Symbology::Ean13;
    const size_t rowCount = linear ? 1 : rows.size();
    const double rowHeight = linear ? s.box.h : m;
    for (size_t r = 0; r < rowCount; ++r) {
        const auto& row = rows[r];
        for (size_t i = 0; i < row.size();) {
            if (!row[i]) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < row.size() && row[j]) ++j;
            const double x = s.box.x + q + static_cast<double>(i) * m;
            const double top = s.box.y + (linear ? 0 : q) + static_cast<double>(r) * rowHeight;
            // Bars lose half a dot: the rasteriser fills every dot a shape touches.
            const double w = static_cast<double>(j - i) * m - (linear ? kDot203 / 2 : 0);
            ps << x << ' ' << label.heightPt - top - rowHeight << ' ' << w << ' ' << rowHeight << " rectfill\n";
            i = j;
        }
    }
}

void text(std::ostringstream& ps, const Label& l, double x, double y, double size, const std::string& t) {
    ps << "/Helvetica findfont " << size << " scalefont setfont " << x << ' ' << l.heightPt - y << " moveto (" << t
       << ") show\n";
}

void rect(std::ostringstream& ps, const Label& l, const Box& b, double grey) {
    ps << grey << " setgray " << b.x << ' ' << l.heightPt - b.y - b.h << ' ' << b.w << ' ' << b.h
       << " rectfill 0 setgray\n";
}

// A smooth synthetic photograph: 64 x 48 grey samples.
void photo(std::ostringstream& ps, const Label& l, const Box& b) {
    ps << "gsave " << b.x << ' ' << l.heightPt - b.y - b.h << " translate " << b.w << ' ' << b.h << " scale\n"
       << "64 48 8 [64 0 0 -48 0 48] {<";
    char hex[4];
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double v = 128 + 70 * std::sin(x / 7.0) * std::cos(y / 6.0) + 50.0 * (x - 32) / 32.0 -
                             40 * std::exp(-((x - 40) * (x - 40) + (y - 20) * (y - 20)) / 60.0);
            std::snprintf(hex, sizeof hex, "%02X", static_cast<int>(std::clamp(v, 0.0, 255.0)));
            ps << hex;
        }
    }
    ps << ">} image grestore\n";
}

}  // namespace

std::vector<std::vector<bool>> symbolModules(const Symbol& s, std::string& error) {
    switch (s.kind) {
        case Symbology::Code128: return zintModules(20, s.data, error);
        case Symbology::Ean13: return zintModules(13, s.data, error);
        case Symbology::DataMatrix: return zintModules(71, s.data, error);
        case Symbology::Qr: return qrModules(s.data, error);
    }
    return {};
}

Label shippingLabel() {
    Label l;
    l.name = "shipping";
    l.widthPt = 288;
    l.heightPt = 432;
    l.content = {18, 18, 252, 396};
    l.bar = {18, 18, 252, 8};
    l.symbols = {
        {Symbology::Code128, "KV-12345", "KV-12345", 2, {18, 64, 0, 40}},
        {Symbology::Code128, "SHIP42", "SHIP42", 3, {150, 64, 0, 40}},
        {Symbology::Ean13, "590123412345", "5901234123457", 3, {18, 114, 0, 40}},
        {Symbology::Qr, "KV QR 3", "KV QR 3", 3, {170, 110, 0, 0}},
        {Symbology::Qr, "https://kv.example/label/4", "https://kv.example/label/4", 4, {18, 170, 0, 0}},
        {Symbology::DataMatrix, "KV DM 3", "KV DM 3", 3, {110, 170, 0, 0}},
        {Symbology::DataMatrix, "KV-DM-4-LABEL", "KV-DM-4-LABEL", 4, {180, 170, 0, 0}},
    };
    l.line8 = "KOVALI 8 pt: Ship to 221B Example Rd 0123456789";
    l.line6 = "6 pt: Order 4711-0815 Weight 1.25 kg Batch AB-12/34";
    l.logo = {18, 252, 110, 44};
    l.greyPatch = {150, 252, 100, 44};
    for (int i = 0; i < 16; ++i) l.gradient.push_back({i / 15.0, {18 + i * 15.75, 306, 15.75, 22}});
    l.photo = {18, 336, 150, 72};
    return l;
}

Label receiptLabel(double rollWidthMm, double printWidthMm, const std::string& name) {
    Label l;
    l.name = name;
    l.widthPt = rollWidthMm * kPtPerMm;
    l.heightPt = 100 * kPtPerMm;
    const double left = (rollWidthMm - printWidthMm) / 2 * kPtPerMm + 6;
    const double width = printWidthMm * kPtPerMm - 12;
    l.content = {left, 12, width, l.heightPt - 24};
    l.bar = {left, 12, width, 6};
    l.symbols = {
        {Symbology::Code128, "KV-42", "KV-42", 2, {left, 48, 0, 30}},
        {Symbology::Ean13, "590123412345", "5901234123457", 2, {left, 84, 0, 30}},
        {Symbology::Qr, "KV QR 3", "KV QR 3", 3, {left, 120, 0, 0}},
        {Symbology::DataMatrix, "KV DM 3", "KV DM 3", 3, {left + 70, 120, 0, 0}},
    };
    l.line8 = "KOVALI 8 pt: Receipt 42";
    l.line6 = "6 pt: Table 7 Total 12.50 EUR";
    l.logo = {left, 172, width / 2 - 4, 28};
    l.greyPatch = {left + width / 2 + 4, 172, width / 2 - 4, 28};
    for (int i = 0; i < 8; ++i) l.gradient.push_back({i / 7.0, {left + i * width / 8, 206, width / 8, 16}});
    l.photo = {left, 228, width, l.heightPt - 12 - 228};
    return l;
}

std::vector<Label> allLabels() {
    return {shippingLabel(), receiptLabel(58, 48, "receipt58"), receiptLabel(80, 72, "receipt80")};
}

std::string labelPostScript(Label& l, std::string& error) {
    std::ostringstream ps;
    ps << "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 " << std::lround(l.widthPt) << ' ' << std::lround(l.heightPt)
       << "\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n<< /PageSize [" << l.widthPt << ' ' << l.heightPt
       << "] >> setpagedevice\n";
    rect(ps, l, l.bar, 0);
    text(ps, l, l.content.x, l.bar.y + 16, 8, l.line8);
    text(ps, l, l.content.x, l.bar.y + 26, 6, l.line6);
    for (Symbol& s : l.symbols) {
        s.box.x = std::round(s.box.x / kDot203) * kDot203;  // modules on whole 203-dpi dots
        s.box.y = std::round(s.box.y / kDot203) * kDot203;
        const auto rows = symbolModules(s, error);
        if (rows.empty()) return "";
        const double m = s.dotsPerModule * kDot203, q = quietModules(s.kind) * m;
        s.box.w = static_cast<double>(rows[0].size()) * m + 2 * q;
        if (s.kind == Symbology::Qr || s.kind == Symbology::DataMatrix)
            s.box.h = static_cast<double>(rows.size()) * m + 2 * q;
        drawModules(ps, l, s, rows);
    }
    rect(ps, l, l.logo, 0.45);
    ps << "1 setgray /Helvetica-Bold findfont " << std::min(l.logo.h * 0.6, l.logo.w / 4.6) << " scalefont setfont "
       << l.logo.x + 6 << ' ' << l.heightPt - l.logo.y - l.logo.h * 0.78 << " moveto (KOVALI) show 0 setgray\n";
    rect(ps, l, l.greyPatch, 0.5);
    for (const GreyStep& g : l.gradient) rect(ps, l, g.box, g.grey);
    photo(ps, l, l.photo);
    ps << "showpage\n%%EOF\n";
    return ps.str();
}

}  // namespace kvquality
