// IPP job and printer attributes to the option values of our PPDs.
#include "app/job_choices.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace kvapp {
namespace {

constexpr std::array kTextModes = {
    Choice{kModeByContent, -1}, Choice{"threshold", 0},      Choice{"threshold-light", 1}, Choice{"dither-8x8", 2},
    Choice{"clustered-dot", 3}, Choice{"dither-16x16", 4},   Choice{"automatic", 5},       Choice{"text", 6},
    Choice{"photo", 7},         Choice{"text-and-photo", 8},
};
constexpr std::array kDeviceModes = {
    Choice{kModeByContent, -1},  Choice{"threshold", 0},       Choice{"automatic", 5},
    Choice{"photo-dithered", 9}, Choice{"tattoo-stencil", 11},
};
constexpr std::array kCutter = {Choice{"never", 0}, Choice{"after-page", 1}, Choice{"job-end", 2}};
constexpr std::array kBeeper = {Choice{"off", 0}, Choice{"after-page", 1}, Choice{"before-page", 2},
                                Choice{"job-end", 3}, Choice{"job-start", 4}};
constexpr std::array kCashDrawer = {Choice{"none", 0},       Choice{"drawer1-start", 1}, Choice{"drawer2-start", 2},
                                    Choice{"both-start", 3}, Choice{"drawer1-end", 4},   Choice{"drawer2-end", 5},
                                    Choice{"both-end", 6}};
constexpr std::array kBlackRows = {Choice{"print", 0}, Choice{"remove", 1}};
constexpr std::array kColours = {Choice{"black-and-red", 0}, Choice{"black-only", 1}, Choice{"red-only", 2},
                                 Choice{"all-black", 3}};
constexpr std::array kOnOff = {Choice{"off", 0}, Choice{"on", 1}};

// The value of a vendor keyword, or fallback when absent or unknown.
int vendorChoice(const pappl_pr_options_t& o, const char* name, std::span<const Choice> choices, int fallback) {
    const char* value = cupsGetOption(name, o.num_vendor, o.vendor);
    if (value == nullptr) return fallback;
    for (const Choice& c : choices) {
        if (std::strcmp(c.keyword, value) == 0) return c.value;
    }
    return fallback;
}

int vendorInteger(const pappl_pr_options_t& o, const char* name, int lo, int hi, int fallback) {
    const char* value = cupsGetOption(name, o.num_vendor, o.vendor);
    if (value == nullptr) return fallback;
    char* end = nullptr;
    const long v = std::strtol(value, &end, 10);
    if (end == value || *end != '\0' || v < lo || v > hi) return fallback;
    return static_cast<int>(v);
}

int dotsFromHmm(int hmm, int dpi) {
    const long dots = (static_cast<long>(hmm) * dpi + (hmm >= 0 ? 1270 : -1270)) / 2540;
    return static_cast<int>(dots);
}

int trackingValue(pappl_media_tracking_t tracking) {
    if (tracking & PAPPL_MEDIA_TRACKING_MARK) return 2;
    if (tracking & PAPPL_MEDIA_TRACKING_GAP) return 1;
    return 0;
}

}  // namespace

std::span<const Choice> printModeChoices(Family family) {
    if (family == Family::Device) return kDeviceModes;
    return kTextModes;
}
std::span<const Choice> cutterChoices() { return kCutter; }
std::span<const Choice> beeperChoices() { return kBeeper; }
std::span<const Choice> cashDrawerChoices() { return kCashDrawer; }
std::span<const Choice> blackRowsChoices() { return kBlackRows; }
std::span<const Choice> colourChoices() { return kColours; }
std::span<const Choice> onOffChoices() { return kOnOff; }

int printModeForContent(Family family, pappl_content_t content) {
    if (family == Family::Device) {
        if (content & PAPPL_CONTENT_TEXT) return 0;
        if (content & PAPPL_CONTENT_PHOTO) return 9;
        return 5;
    }
    if (content & PAPPL_CONTENT_TEXT) return 6;
    if (content & PAPPL_CONTENT_PHOTO) return 7;
    if (content & (PAPPL_CONTENT_TEXT_AND_GRAPHIC | PAPPL_CONTENT_GRAPHIC)) return 8;
    return 5;
}

JobChoices jobChoices(const PrinterKind& kind, const pappl_pr_options_t& o, bool compression) {
    JobChoices c;
    c.darkness = darknessFromPercent(kind, o.darkness_configured + o.print_darkness);
    c.printSpeed = speedFromIpp(kind, o.print_speed);
    c.horizontal = dotsFromHmm(o.media.left_offset, kind.dpi);
    c.vertical = dotsFromHmm(o.media.top_offset, kind.dpi);
    c.mediaTracking = trackingValue(o.media.tracking);
    const int mode = vendorChoice(o, kAttrPrintMode, printModeChoices(kind.family), -1);
    c.printMode = mode >= 0 ? mode : printModeForContent(kind.family, o.print_content_optimize);
    c.compression = compression;
    if (kind.family == Family::TwoColour) {
        c.colorPrintModel = vendorChoice(o, kAttrColours, kColours, 0);
        // A bi-level or monochrome job comes as grey: the black head only.
        if (!(o.print_color_mode & (PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_AUTO))) c.colorPrintModel = 1;
        c.colourDarkness = vendorInteger(o, kAttrRedDarkness, 0, 15, 8);
    }
    if (kind.family == Family::Receipt) {
        c.cutting = vendorChoice(o, kAttrCutter, kCutter, 1);
        c.beeper = vendorChoice(o, kAttrBeeper, kBeeper, 0);
        c.cashDrawer = vendorChoice(o, kAttrCashDrawer, kCashDrawer, 0);
        c.blankSpace = vendorChoice(o, kAttrBlackRows, kBlackRows, 0);
        c.feedDist = vendorInteger(o, kAttrFeed, 0, 10, 0);
    }
    if (kind.family == Family::Device) {
        c.positioningMode = vendorChoice(o, kAttrPositioning, kOnOff, 0);
        if (kind.silentPrint) c.silentPrint = vendorChoice(o, kAttrSilent, kOnOff, 0);
    }
    return c;
}

}  // namespace kvapp
