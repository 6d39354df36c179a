// Readers of the printer byte streams the filter writes: each one walks the
// whole stream of its language, rejects anything malformed, and reports per
// page the bitmap geometry, the number of printed dots and the settings found.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvcups {

struct PrintedBitmap {
    std::string colour;      // "" or, for the two-colour printers, "BLACK" / "RED"
    uint32_t widthDots = 0;  // bytes per row x 8
    uint32_t rows = 0;
    uint64_t inkDots = 0;  // dots that print
};

struct PrintedPage {
    std::map<std::string, std::string> settings;  // e.g. {"DENSITY", "12"}, {"^PW", "400"}
    std::vector<PrintedBitmap> bitmaps;           // strips of one colour are merged
    uint64_t inkDots() const;
    const PrintedBitmap* bitmap(const std::string& colour = "") const;
};

struct PrintedJob {
    std::string error;  // "" when the whole stream was well-formed
    std::vector<PrintedPage> pages;
    std::map<std::string, std::string> job;  // job-level facts ("start", "end" bytes in hex ...)
};

PrintedJob parseTspl(const std::string& bytes);  // also two-colour TSPL
PrintedJob parseZpl(const std::string& bytes);   // also the SF variant (leading "^^XX")
PrintedJob parseCpcl(const std::string& bytes);
PrintedJob parseEscPos(const std::string& bytes);
PrintedJob parseDeviceFrames(const std::string& bytes);

}  // namespace kvcups
