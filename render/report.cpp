// Text report of a render: what was found, page by page, and where the bytes
// stop making sense.
#include "render/report.h"

namespace kvrender {
namespace {

void pageLines(std::string& out, const Page& page, size_t index, const std::string& picture) {
    out += "page " + std::to_string(index + 1) + ": " + std::to_string(page.width) + " x " +
           std::to_string(page.height) + " dots";
    if (!picture.empty()) out += " -> " + picture;
    out += "\n";
    for (const auto& [key, value] : page.settings) out += "  " + key + ": " + value + "\n";
    for (const auto& g : page.graphics) out += "  graphic: " + g + "\n";
    out += "  ink: " + std::to_string(page.black.ink()) + " black dots";
    if (!page.red.empty()) out += ", " + std::to_string(page.red.ink()) + " red dots";
    out += "\n";
    if (page.inkOutside > 0)
        out += "  warning: " + std::to_string(page.inkOutside) + " printed dots fall outside the label\n";
    for (const Mark& m : page.marks) {
        out += std::string("  ") + (m.kind == Mark::Kind::Cut ? "cut" : "feed") + " at row " + std::to_string(m.row);
        if (m.rows > 0) out += ", " + std::to_string(m.rows) + " rows";
        if (!m.note.empty()) out += " (" + m.note + ")";
        out += "\n";
    }
}

}  // namespace

std::string describe(const Result& result, const std::vector<std::string>& pictureNames) {
    std::string out = std::string("language: ") + languageName(result.language) + "\n";
    out += "pages: " + std::to_string(result.pages.size()) + "\n";
    for (const auto& [key, value] : result.job) out += key + ": " + value + "\n";
    for (size_t i = 0; i < result.pages.size(); ++i)
        pageLines(out, result.pages[i], i, i < pictureNames.size() ? pictureNames[i] : "");
    if (!result.ok()) out += "damaged: " + result.error + "\n";
    return out;
}

}  // namespace kvrender
