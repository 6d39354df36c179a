// The printer kinds the Kovali PPDs describe, with what a test job on each
// should produce: the page size chosen, a non-default option and where it shows
// up in the printer bytes, and the PPD default that shows up without options.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tests/cups/printer_output.h"

namespace kvcups {

enum class Language { Tspl, TwoColourTspl, Zpl, SfZpl, Cpcl, EscPos, Device };

struct PrinterKind {
    std::string ppd;  // file name below the built PPD directory
    Language language;
    int devType;  // what the filter must read from the PPD
    int dpi;
    std::string pageSize;                  // PageSize choice of the test job
    double widthPt, heightPt;              // that page size in points
    double sideMarginsPt;                  // left + right hardware margins
    std::vector<std::string> options;      // non-default options of the test job
    std::string optionKey, optionValue;    // where the option shows up
    std::string defaultKey, defaultValue;  // a PPD default as it shows up
    int canvasWidth = 0;                   // device models: width of the printed image (0: not fixed)
};

inline std::string ppdDir() { return KV_PPD_DIR; }

inline const std::vector<PrinterKind>& printerKinds() {
    // clang-format off
    static const std::vector<PrinterKind> kinds = {
        {"kvtspl2.ppd", Language::Tspl, 161, 203, "w142h85", 141.73, 85.04, 0,
         {"Darkness=12", "PrintMode=0"}, "DENSITY", "12", "DENSITY", "8"},
        {"kvtspl3.ppd", Language::Tspl, 161, 300, "w288h432", 288, 432, 0,
         {"PrintSpeed=2", "PrintMode=0"}, "SPEED", "2", "SPEED", "4"},
        {"kvzpl2.ppd", Language::Zpl, 162, 203, "w113h85", 113.39, 85.04, 0,
         {"Darkness=25", "PrintMode=0"}, "~SD", "25", "~SD", "15"},
        {"kvzpl3.ppd", Language::Zpl, 162, 300, "w283h425", 283.46, 425.2, 0,
         {"MediaTracking=2", "PrintMode=0"}, "^MN", "M", "^MN", "W"},
        {"kvsfzpl.ppd", Language::SfZpl, 191, 203, "w144h72", 144, 72, 0,
         {"PrintSpeed=6", "PrintMode=0"}, "^PR", "6", "^PR", "4"},
        {"kvcpcl.ppd", Language::Cpcl, 163, 203, "w164h113", 164.41, 113.39, 0,
         {"Darkness=50", "PrintMode=0"}, "TONE", "50", "TONE", "0"},
        {"kvpos58.ppd", Language::EscPos, 164, 203, "w164h595", 164.41, 595.28, 28.34,
         {"Beeper=2", "PrintMode=0"}, "before", "1B 42 04 01", "after", "1D 56 42 00"},
        {"kvpos80.ppd", Language::EscPos, 164, 203, "w227h283", 226.77, 283.46, 22.68,
         {"Beeper=4", "CashDrawer=1", "PrintMode=0"}, "start", "1B 42 04 01 1B 70 00 19 FF",
         "start", ""},
        {"kvtspl2c.ppd", Language::TwoColourTspl, 193, 203, "w142h85", 141.73, 85.04, 0,
         {"ColourDarkness=3", "PrintMode=0"}, "SETCOLOR RED", "3", "SETCOLOR RED", "8"},
        {"kvlm50.ppd", Language::Device, 0, 300, "A4", 595, 842, 0,
         {"Darkness=12"}, "5/4", "03 0C 08", "5/4", "03 08 08"},
        {"kvl50.ppd", Language::Device, 1, 203, "A4", 595, 842, 0,
         {"Darkness=12"}, "5/4", "03 0C 08", "5/4", "03 08 08", 1664},
        {"kvl60.ppd", Language::Device, 2, 300, "A4", 595, 842, 0,
         {"Darkness=12"}, "5/4", "03 0C 08", "5/4", "03 08 08"},
        {"kvl50b.ppd", Language::Device, 3, 300, "A4", 595, 842, 0,
         {"Darkness=12"}, "5/4", "03 0C 08", "5/4", "03 08 08", 2496},
        {"kvl50c.ppd", Language::Device, 4, 203, "A4", 595, 842, 0,
         {"SilentPrint=1"}, "5/35", "01", "5/35", "00", 1664},
        {"kvl60b.ppd", Language::Device, 5, 203, "A4", 595, 842, 0,
         {"Darkness=12"}, "5/4", "03 0C 08", "5/4", "03 08 08"},
    };
    // clang-format on
    return kinds;
}

inline PrintedJob parseFor(Language language, const std::string& bytes) {
    switch (language) {
        case Language::Tspl:
        case Language::TwoColourTspl: return parseTspl(bytes);
        case Language::Zpl:
        case Language::SfZpl: return parseZpl(bytes);
        case Language::Cpcl: return parseCpcl(bytes);
        case Language::EscPos: return parseEscPos(bytes);
        case Language::Device: return parseDeviceFrames(bytes);
    }
    return {};
}

// gtest prints the kind by its PPD name.
inline void PrintTo(const PrinterKind& kind, std::ostream* os) { *os << kind.ppd; }

// Test names: the PPD file name without ".ppd".
inline std::string kindName(const PrinterKind& kind) { return kind.ppd.substr(0, kind.ppd.size() - 4); }

}  // namespace kvcups
