// What one job asks of the printer, in the printer's own units: the IPP job
// and printer attributes of a PAPPL job mapped onto the options of our PPDs.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "app/printer_kinds.h"

namespace kvapp {

// Vendor attribute names (job template attributes with -default/-supported).
inline constexpr const char* kAttrPrintMode = "kovali-print-mode";
inline constexpr const char* kAttrCompression = "kovali-compression";
inline constexpr const char* kAttrCutter = "kovali-cutter";
inline constexpr const char* kAttrBeeper = "kovali-beeper";
inline constexpr const char* kAttrCashDrawer = "kovali-cash-drawer";
inline constexpr const char* kAttrFeed = "kovali-feed";
inline constexpr const char* kAttrBlackRows = "kovali-black-rows";
inline constexpr const char* kAttrColours = "kovali-colours";
inline constexpr const char* kAttrRedDarkness = "kovali-red-darkness";
inline constexpr const char* kAttrPositioning = "kovali-positioning-line";
inline constexpr const char* kAttrSilent = "kovali-silent-print";

struct JobChoices {
    int darkness = 0;
    int printSpeed = 0;
    int horizontal = 0;       // dots
    int vertical = 0;         // dots
    int mediaTracking = 0;    // 0 continuous, 1 gap, 2 black mark
    int printMode = 5;        // 0-8 (9, 11 on device models)
    int colourDarkness = 8;   // red head
    int colorPrintModel = 0;  // 0 black and red, 1 black, 2 red, 3 all black
    bool compression = false;
    int silentPrint = 0;
    int positioningMode = 0;
    int cashDrawer = 0;
    int blankSpace = 0;
    int feedDist = 0;
    int cutting = 0;
    int beeper = 0;
};

// One keyword of a vendor enumeration and the PPD value it stands for.
struct Choice {
    const char* keyword;
    int value;
};
std::span<const Choice> printModeChoices(Family family);
std::span<const Choice> cutterChoices();
std::span<const Choice> beeperChoices();
std::span<const Choice> cashDrawerChoices();
std::span<const Choice> blackRowsChoices();
std::span<const Choice> colourChoices();
std::span<const Choice> onOffChoices();
// The keyword that makes the print mode follow print-content-optimize.
inline constexpr const char* kModeByContent = "by-content";

// The print mode print-content-optimize asks for on a kind.
int printModeForContent(Family family, pappl_content_t content);

// Maps a job's print options (attributes, printer defaults, vendor values)
// onto the kind's settings. The compression comes from the printer.
JobChoices jobChoices(const PrinterKind& kind, const pappl_pr_options_t& options, bool compression);

}  // namespace kvapp
