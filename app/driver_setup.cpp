// A printer kind described to PAPPL: the IPP capabilities and defaults of
// each kind, and its vendor attributes with their supported values.
#include "app/driver_setup.h"

#include <cstring>
#include <string>

#include "app/job_choices.h"
#include "app/printer_kinds.h"
#include "app/printer_status.h"
#include "app/raster_driver.h"
#include "languages/device_types.h"

namespace kvapp {
namespace {

constexpr int kMaxOffsetDots = 128;

void copyString(char* target, size_t size, const char* value) {
    std::strncpy(target, value, size - 1);
    target[size - 1] = '\0';
}

void addKeywords(ipp_t* attrs, const std::string& name, std::span<const Choice> choices, const char* fallback) {
    std::vector<const char*> values;
    for (const Choice& c : choices) values.push_back(c.keyword);
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, (name + "-supported").c_str(),
                  static_cast<int>(values.size()), nullptr, values.data());
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, (name + "-default").c_str(), nullptr, fallback);
}

void addRange(ipp_t* attrs, const std::string& name, int lo, int hi, int fallback) {
    ippAddRange(attrs, IPP_TAG_PRINTER, (name + "-supported").c_str(), lo, hi);
    ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, (name + "-default").c_str(), fallback);
}

void addVendor(pappl_pr_driver_data_t* data, const char* name) {
    if (data->num_vendor < PAPPL_MAX_VENDOR) data->vendor[data->num_vendor++] = name;
}

// The vendor options of a kind: exact print mode everywhere; compression on
// the label languages; cutter, beeper, drawer, feed and black rows on ESC/POS;
// the colours of the two-colour printers; the device models' own settings.
void addVendorOptions(const PrinterKind& kind, pappl_pr_driver_data_t* data, ipp_t* attrs) {
    addVendor(data, kAttrPrintMode);
    addKeywords(attrs, kAttrPrintMode, printModeChoices(kind.family), kModeByContent);
    if (kind.family == Family::Label || kind.family == Family::TwoColour || kind.family == Family::Cpcl) {
        addVendor(data, kAttrCompression);
        addKeywords(attrs, kAttrCompression, onOffChoices(), "off");
    }
    if (kind.family == Family::TwoColour) {
        addVendor(data, kAttrColours);
        addKeywords(attrs, kAttrColours, colourChoices(), "black-and-red");
        addVendor(data, kAttrRedDarkness);
        addRange(attrs, kAttrRedDarkness, 0, 15, 8);
    }
    if (kind.family == Family::Receipt) {
        addVendor(data, kAttrCutter);
        addKeywords(attrs, kAttrCutter, cutterChoices(), "after-page");
        addVendor(data, kAttrBeeper);
        addKeywords(attrs, kAttrBeeper, beeperChoices(), "off");
        addVendor(data, kAttrCashDrawer);
        addKeywords(attrs, kAttrCashDrawer, cashDrawerChoices(), "none");
        addVendor(data, kAttrFeed);
        addRange(attrs, kAttrFeed, 0, 10, 0);
        addVendor(data, kAttrBlackRows);
        addKeywords(attrs, kAttrBlackRows, blackRowsChoices(), "print");
    }
    if (kind.family == Family::Device) {
        addVendor(data, kAttrPositioning);
        addKeywords(attrs, kAttrPositioning, onOffChoices(), "off");
        if (kind.silentPrint) {
            addVendor(data, kAttrSilent);
            addKeywords(attrs, kAttrSilent, onOffChoices(), "off");
        }
    }
}

// The custom size range names of every kind, made once (PAPPL keeps pointers).
struct CustomNames {
    std::string min, max;
};
const CustomNames& customNames(const PrinterKind& kind) {
    static const std::vector<CustomNames> names = [] {
        std::vector<CustomNames> all;
        char name[128];
        for (const PrinterKind& k : printerKinds()) {
            CustomNames n;
            pwgFormatSizeName(name, sizeof name, "custom", "min", k.minWidthHmm, k.minLengthHmm, nullptr);
            n.min = name;
            pwgFormatSizeName(name, sizeof name, "custom", "max", k.maxWidthHmm, k.maxLengthHmm, nullptr);
            n.max = name;
            all.push_back(n);
        }
        return all;
    }();
    return names[static_cast<size_t>(&kind - printerKinds().data())];
}

// Printer description attributes IPP Everywhere asks for that PAPPL leaves to
// the driver: rendering intent (our pages are grey or two-colour: "auto"),
// the back side of two-sided raster (one-sided printers: "normal"), and the
// two overrides keywords the standard requires (PAPPL applies no overrides:
// a job that sends them prints every page with the job's own attributes).
void addEverywhereAttributes(ipp_t* attrs) {
    ippAddBoolean(attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    static const char* const overrides[] = {"document-number", "pages"};
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "overrides-supported", 2, nullptr, overrides);
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr, "auto");
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", nullptr, "auto");
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back", nullptr, "normal");
}

void setMedia(const PrinterKind& kind, pappl_pr_driver_data_t* data) {
    data->num_media = 0;
    for (const MediaSize& m : kind.media) data->media[data->num_media++] = m.pwgName;
    data->media[data->num_media++] = customNames(kind).min.c_str();
    data->media[data->num_media++] = customNames(kind).max.c_str();
    data->left_right = kind.sideMarginHmm;
    data->bottom_top = 0;
    data->num_source = 1;
    data->source[0] = kind.family == Family::Device ? "main" : "main-roll";
    data->num_type = 1;
    data->type[0] = kind.family == Family::Device    ? "stationery"
                    : kind.family == Family::Receipt ? "continuous"
                                                     : "labels";
    const MediaSize& m = kind.media[static_cast<size_t>(kind.defaultMedia)];
    pappl_media_col_t& col = data->media_default;
    copyString(col.size_name, sizeof col.size_name, m.pwgName);
    col.size_width = m.widthHmm;
    col.size_length = m.lengthHmm;
    col.left_margin = col.right_margin = kind.sideMarginHmm;
    col.top_margin = col.bottom_margin = 0;
    copyString(col.source, sizeof col.source, data->source[0]);
    copyString(col.type, sizeof col.type, data->type[0]);
    col.tracking = kind.family == Family::Label || kind.family == Family::TwoColour ? PAPPL_MEDIA_TRACKING_GAP
                   : kind.family == Family::Receipt                                 ? PAPPL_MEDIA_TRACKING_CONTINUOUS
                                                                                    : 0;
    data->media_ready[0] = col;
}

void setDarknessAndSpeed(const PrinterKind& kind, pappl_pr_driver_data_t* data) {
    const int levels = kind.darkness.levels();
    if (levels > 1) {
        data->darkness_supported = levels;
        data->darkness_configured = percentFromDarkness(kind, kind.defaultDarkness);
        data->darkness_default = 0;
    }
    if (kind.speed.levels() > 1) {
        data->speed_supported[0] = kind.speed.min * kSpeedUnit;
        data->speed_supported[1] = kind.speed.max * kSpeedUnit;
        data->speed_default = kind.defaultSpeed * kSpeedUnit;
    }
}

void setLabelFeatures(const PrinterKind& kind, pappl_pr_driver_data_t* data) {
    const bool labels = kind.family == Family::Label || kind.family == Family::TwoColour;
    if (labels || kind.family == Family::Cpcl) {
        const int maxHmm = kMaxOffsetDots * 2540 / kind.dpi;
        data->top_offset_supported[0] = 0;
        data->top_offset_supported[1] = maxHmm;
        data->left_offset_supported[0] = 0;
        data->left_offset_supported[1] = maxHmm;
    }
    if (labels) {
        data->tracking_supported =
            PAPPL_MEDIA_TRACKING_CONTINUOUS | PAPPL_MEDIA_TRACKING_GAP | PAPPL_MEDIA_TRACKING_MARK;
    } else if (kind.family == Family::Receipt) {
        data->tracking_supported = PAPPL_MEDIA_TRACKING_CONTINUOUS;
    }
}

void setColour(const PrinterKind& kind, pappl_pr_driver_data_t* data) {
    if (kind.family == Family::TwoColour) {
        data->color_supported = PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
        data->color_default = PAPPL_COLOR_MODE_COLOR;
    } else {
        data->color_supported = PAPPL_COLOR_MODE_MONOCHROME;
        data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
    }
    data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8 | PAPPL_PWG_RASTER_TYPE_SRGB_8;
    data->content_default = PAPPL_CONTENT_AUTO;
}

const char* nativeFormat(const PrinterKind& kind) {
    switch (kind.family) {
        case Family::Cpcl: return "application/vnd.kovali-cpcl";
        case Family::Receipt: return "application/vnd.kovali-escpos";
        case Family::Device: return "application/vnd.kovali-device";
        default:
            return kind.devType == kLanguageTspl || kind.devType == kLanguageTwoColourTspl
                       ? "application/vnd.kovali-tspl"
                       : "application/vnd.kovali-zpl";
    }
}

}  // namespace

std::vector<pappl_pr_driver_t>& driverList() {
    static std::vector<pappl_pr_driver_t> drivers = [] {
        std::vector<pappl_pr_driver_t> list;
        for (const PrinterKind& k : printerKinds()) list.push_back({k.driver, k.description, k.deviceId, nullptr});
        return list;
    }();
    return drivers;
}

bool driverCallback(pappl_system_t* /*system*/, const char* driverName, const char* /*deviceUri*/,
                    const char* /*deviceId*/, pappl_pr_driver_data_t* data, ipp_t** attrs, void* /*context*/) {
    const PrinterKind* kind = findKind(driverName != nullptr ? driverName : "");
    if (kind == nullptr) return false;
    installRasterCallbacks(*kind, data);
    installStatusCallbacks(*kind, data);
    data->format = nativeFormat(*kind);
    copyString(data->make_and_model, sizeof data->make_and_model, kind->makeModel);
    data->ppm = kind->family == Family::Device ? 4 : 20;
    data->kind = kind->family == Family::Device    ? PAPPL_KIND_DOCUMENT
                 : kind->family == Family::Receipt ? PAPPL_KIND_RECEIPT | PAPPL_KIND_ROLL
                                                   : PAPPL_KIND_LABEL;
    data->orient_default = IPP_ORIENT_PORTRAIT;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->num_resolution = 1;
    data->x_resolution[0] = data->y_resolution[0] = kind->dpi;
    data->x_default = data->y_default = kind->dpi;
    setColour(*kind, data);
    setMedia(*kind, data);
    setDarknessAndSpeed(*kind, data);
    setLabelFeatures(*kind, data);
    *attrs = ippNew();
    addEverywhereAttributes(*attrs);
    addVendorOptions(*kind, data, *attrs);
    return true;
}

const char* autoAddCallback(const char* /*deviceInfo*/, const char* /*deviceUri*/, const char* deviceId,
                            void* /*context*/) {
    if (deviceId == nullptr || *deviceId == '\0') return nullptr;
    cups_option_t* pairs = nullptr;
    const int count = papplDeviceParseID(deviceId, &pairs);
    const char* mfg = cupsGetOption("MFG", count, pairs);
    if (mfg == nullptr) mfg = cupsGetOption("MANUFACTURER", count, pairs);
    const char* mdl = cupsGetOption("MDL", count, pairs);
    if (mdl == nullptr) mdl = cupsGetOption("MODEL", count, pairs);
    const char* match = nullptr;
    if (mfg != nullptr && mdl != nullptr && std::strcmp(mfg, "Kovali") == 0) {
        for (const PrinterKind& k : printerKinds()) {
            const std::string want = std::string("MDL:") + mdl + ";";
            if (std::strstr(k.deviceId, want.c_str()) != nullptr) match = k.driver;
        }
    }
    cupsFreeOptions(count, pairs);
    return match;
}

}  // namespace kvapp
