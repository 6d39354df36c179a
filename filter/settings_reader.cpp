// Job settings from the command line, the PPD (defaults and the maker's KVAttr /
// ExtensionAttr attributes) and the job options, with every step logged.
#include "filter/settings_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/debug_log.h"
#include "languages/device_types.h"

// The PPD reader of libcups is deprecated but is the interface CUPS filters use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

int32_t devType = kDefaultDeviceType;
uint8_t odmType = kDefaultOdmType;

namespace {

// atoi's reading of a value: white space, sign, leading digits; otherwise 0.
// Parsed wide and wrapped to 32 bits so that out-of-range text never overflows.
int32_t atoiValue(const char* text) {
    if (text == nullptr) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(std::strtoll(text, nullptr, 10)));
}
int64_t atolValue(const char* text) {
    if (text == nullptr) return 0;
    return std::strtoll(text, nullptr, 10);
}
int16_t low16(int32_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); }

struct OptionTarget {
    const char* name;
    int16_t JobSettings::*field16;
    int32_t JobSettings::*field32;
};

const OptionTarget kOptionTargets[] = {
    {"Darkness", &JobSettings::darkness, nullptr},
    {"PrintSpeed", &JobSettings::printSpeed, nullptr},
    {"Horizontal", &JobSettings::horizontal, nullptr},
    {"Vertical", &JobSettings::vertical, nullptr},
    {"MediaTracking", nullptr, &JobSettings::mediaTracking},
    {"PrintMode", &JobSettings::printMode, nullptr},
    {"ColourDarkness", &JobSettings::colourDarkness, nullptr},
    {"ColorPrintModel", nullptr, &JobSettings::colorPrintModel},
    {"SilentPrint", &JobSettings::silentPrint, nullptr},
    {"PositioningMode", &JobSettings::positioningMode, nullptr},
    {"CashDrawer", nullptr, &JobSettings::cashDrawer},
    {"BlankSpace", nullptr, &JobSettings::blankSpace},
    {"FeedDist", nullptr, &JobSettings::feedDist},
    {"Cutting", nullptr, &JobSettings::cutting},
    {"Beeper", nullptr, &JobSettings::beeper},
    // The queue option behind DefaultIsCompressie (lpadmin -o IsCompressie-default=1).
    {"IsCompressie", &JobSettings::isCompressie, nullptr},
};
constexpr int kOptionCount = sizeof(kOptionTargets) / sizeof(kOptionTargets[0]);

void store(JobSettings* s, const OptionTarget& target, const char* value) {
    const int32_t v = atoiValue(value);
    if (target.field16 != nullptr) {
        s->*target.field16 = low16(v);
    } else {
        s->*target.field32 = v;
    }
}

void applyJobOptions(JobSettings* s, int numOptions, cups_option_t* options) {
    bool seenPageSize = false;
    bool seen[kOptionCount] = {};
    for (int i = 0; i < numOptions; ++i) {
        const char* name = options[i].name;
        const char* value = options[i].value;
        writeLogString("%d、%s:%s", i, name, value);
        if (std::strcmp(name, "PageSize") == 0) {
            if (!seenPageSize) {
                seenPageSize = true;
                writeLogString("PageSize=%s", name);
                writeLogString("page_size=%s", value);
            }
            continue;
        }
        for (int t = 0; t < kOptionCount; ++t) {
            if (std::strcmp(name, kOptionTargets[t].name) != 0) continue;
            if (!seen[t]) {
                seen[t] = true;
                store(s, kOptionTargets[t], value);
            }
            break;
        }
    }
}

void logChosenValues(const JobSettings* s) {
    writeLogString("User Choose PageSize:%dx%d", s->widthMM, s->heightMM);
    writeLogString("User Choose Darkness:%d", s->darkness);
    writeLogString("User Choose Speed:%d", s->printSpeed);
    writeLogString("User Choose Horizontal:%d", s->horizontal);
    writeLogString("User Choose Vertical:%d", s->vertical);
    writeLogString("User Choose MediaTracking:%d", s->mediaTracking);
    writeLogString("User Choose Mode:%d", s->printMode);
    writeLogString("User Choose ColourDarkness:%d", s->colourDarkness);
    writeLogString("User Choose ColorPrintModel:%d", s->colorPrintModel);
    writeLogString("User Choose SilentPrint:%d", s->silentPrint);
    writeLogString("User Choose PositioningMode:%d", s->positioningMode);
    writeLogString("User Choose  CashDrawer:%d", s->cashDrawer);
    writeLogString("User Choose  BlankSpace:%d", s->blankSpace);
    writeLogString("User Choose  FeedDist:%d", s->feedDist);
    writeLogString("User Choose  Cutting:%d", s->cutting);
    writeLogString("User Choose  Beeper:%d", s->beeper);
}

}  // namespace

void set_pstops_options(JobSettings* settings, char** argv, int numOptions, cups_option_t* options) {
    settings->jobId = atoiValue(argv[1]);
    settings->user = argv[2];
    settings->title = argv[3];
    settings->copies = atoiValue(argv[4]);
    set_pstops_with_ppd(settings);
    applyJobOptions(settings, numOptions, options);
    logChosenValues(settings);
}

namespace {

// The option keyword of a PPD attribute line ("*KVAttr PrinterModel: ..."):
// libcups keeps it as the record's second field.
const char* optionKeyword(const ppd_attr_t* a) {
    const auto& [name, keyword, text, value] = *a;
    return keyword;
}
const char* valueOf(const ppd_attr_t* a) { return a->value != nullptr ? a->value : ""; }

// Looks up the first attribute with `keyword`; logs it and returns its value.
const char* ppdDefault(ppd_file_t* ppd, const char* keyword, const char* logFormat = "ppdfile %s:%s") {
    ppd_attr_t* attr = ppdFindAttr(ppd, keyword, nullptr);
    if (attr == nullptr) return nullptr;
    const char* value = valueOf(attr);
    writeLogString(logFormat, keyword, value);
    return value;
}

struct PpdDefault {
    const char* keyword;
    int16_t JobSettings::*field16;
    int32_t JobSettings::*field32;
};

const PpdDefault kPpdDefaults[] = {
    {"DefaultPageSize", nullptr, nullptr},
    {"DefaultDarkness", &JobSettings::darkness, nullptr},
    {"DefaultPrintSpeed", &JobSettings::printSpeed, nullptr},
    {"DefaultHorizontal", &JobSettings::horizontal, nullptr},
    {"DefaultVertical", &JobSettings::vertical, nullptr},
    {"DefaultMediaTracking", nullptr, &JobSettings::mediaTracking},
    {"DefaultPrintMode", &JobSettings::printMode, nullptr},
    {"DefaultColourDarkness", &JobSettings::colourDarkness, nullptr},
    {"DefaultColorPrintModel", nullptr, &JobSettings::colorPrintModel},
    {"DefaultSilentPrint", &JobSettings::silentPrint, nullptr},
    {"DefaultPositioningMode", &JobSettings::positioningMode, nullptr},
    {"DefaultResolution", nullptr, &JobSettings::resolution},
    {"DefaultCashDrawer", nullptr, &JobSettings::cashDrawer},
    {"DefaultBlankSpace", nullptr, &JobSettings::blankSpace},
    {"DefaultFeedDist", nullptr, &JobSettings::feedDist},
    {"DefaultCutting", nullptr, &JobSettings::cutting},
    {"DefaultBeeper", nullptr, &JobSettings::beeper},
};

void readPpdDefaults(ppd_file_t* ppd, JobSettings* s) {
    for (const PpdDefault& d : kPpdDefaults) {
        const char* value = ppdDefault(ppd, d.keyword);
        if (value == nullptr) continue;
        const int32_t v = atoiValue(value);
        if (d.field16 != nullptr) s->*d.field16 = low16(v);
        if (d.field32 != nullptr) s->*d.field32 = v;
    }
    if (const char* model = ppdDefault(ppd, "DefaultPrinterModel", "Printer Model %s:%s")) {
        devType = atoiValue(model);
    }
    s->maxWidthMM = -1;
    if (const char* v = ppdDefault(ppd, "DefaultMaxWidthMM")) s->maxWidthMM = atoiValue(v);
    if (const char* v = ppdDefault(ppd, "DefaultIsCompressie")) s->isCompressie = low16(atoiValue(v));
    s->noCompressie = kDefaultStripLimitRaw;
    s->compressie = kDefaultStripLimitCompressed;
}

struct ModelName {
    const char* text;
    int32_t number;
};
const ModelName kModelNames[] = {
    {"LM50", kDeviceLM50},    {"L50", kDeviceL50},           {"L60", kDeviceL60},
    {"L50B", kDeviceL50B},    {"L50C", kDeviceL50CTattoo},   {"L60B", kDeviceL60B},
    {"TSPL", kLanguageTspl},  {"ZPL", kLanguageZpl},         {"CPCL", kLanguageCpcl},
    {"ESC", kLanguageEscPos}, {"KV_SF_ZPL", kLanguageSfZpl}, {"Two_Color_TSPL", kLanguageTwoColourTspl},
};

void applyKvAttr(const char* option, const char* value, JobSettings* s) {
    const std::string_view key(option);
    if (key == "PrinterModel") {
        for (const ModelName& m : kModelNames) {
            if (std::strcmp(value, m.text) == 0) {
                devType = m.number;
                break;
            }
        }
    } else if (key == "PrinterMaxWidthMM") {
        s->maxWidthMM = atoiValue(value);
    } else if (key == "CompressiePrint") {
        s->isCompressie = low16(atoiValue(value));
    } else if (key == "NoCompressie") {
        s->noCompressie = atolValue(value);
    } else if (key == "Compressie") {
        s->compressie = atolValue(value);
    }
}

// True when the text starts with a number as atoi reads one (white space, an
// optional sign, at least one digit).
bool hasLeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

// "odm.dev": the two halves are held in 50-byte buffers (49 characters), so a
// longer half is cut to its first 49 characters before it is read. A value
// whose device half holds no number ("." or "28.") names no device and is
// ignored, rather than read as device model 0.
void applyPrinterSize(const char* value) {
    const char* dot = std::strchr(value, '.');
    if (dot == nullptr) return;
    constexpr size_t kHalfMax = 49;
    const std::string before(value, std::min<size_t>(static_cast<size_t>(dot - value), kHalfMax));
    const std::string after(dot + 1, std::min<size_t>(std::strlen(dot + 1), kHalfMax));
    if (!hasLeadingNumber(after)) {
        writeLogString("PrinterSize: %s names no device, ignored", value);
        return;
    }
    odmType = static_cast<uint8_t>(atoiValue(before.c_str()));
    devType = atoiValue(after.c_str());
    writeLogString("PrinterSize: %s", value);
    writeLogString("PrinterSize: %d.%d", odmType, devType);
}

void readMakerAttributes(ppd_file_t* ppd, JobSettings* s) {
    // A PPD may hold any number of these: their log lines are flushed once.
    const LogFlushHold batch;
    for (ppd_attr_t* a = ppdFindAttr(ppd, "KVAttr", nullptr); a != nullptr;
         a = ppdFindNextAttr(ppd, "KVAttr", nullptr)) {
        writeLogString("KVAttr: [%s] = [%s]", optionKeyword(a), valueOf(a));
        applyKvAttr(optionKeyword(a), valueOf(a), s);
    }
    for (ppd_attr_t* a = ppdFindAttr(ppd, "ExtensionAttr", nullptr); a != nullptr;
         a = ppdFindNextAttr(ppd, "ExtensionAttr", nullptr)) {
        writeLogString("ExtensionAttr: [%s] = [%s]", optionKeyword(a), valueOf(a));
        if (std::strcmp(optionKeyword(a), "PrinterSize") == 0) applyPrinterSize(valueOf(a));
    }
}

void logDefaults(const JobSettings* s) {
    writeLogString("Default PageSize:%dx%d", s->widthMM, s->heightMM);
    writeLogString("Default Darkness:%d", s->darkness);
    writeLogString("Default Speed:%d", s->printSpeed);
    writeLogString("ppdfile Horizontal:%d", s->horizontal);
    writeLogString("Default Vertical:%d", s->vertical);
    writeLogString("Default MediaTracking:%d", s->mediaTracking);
    writeLogString("Default Mode:%d", s->printMode);
    writeLogString("Default ColourDarkness:%d", s->colourDarkness);
    writeLogString("Default ColorPrintModel:%d", s->colorPrintModel);
    writeLogString("Default SilentPrint:%d", s->silentPrint);
    writeLogString("Default PositioningMode:%d", s->positioningMode);
    writeLogString("Default DefaultResolution:%d", s->resolution);
    writeLogString("Default isCompressie:%d", s->isCompressie);
    writeLogString("Default DefaultMaxWidthMM:%d", s->maxWidthMM);
    writeLogString("Default Printer Model:%d", devType);
    writeLogString("Default Cash Drawer:%d", s->cashDrawer);
    writeLogString("Default Blank Space:%d", s->blankSpace);
    writeLogString("Default Feed Dist:%d", s->feedDist);
    writeLogString("Default Cutting:%d", s->cutting);
    writeLogString("Default Beeper:%d", s->beeper);
}

// Highest resolution the PPD offers, in dots per inch: its DefaultResolution
// and every choice of its Resolution option ("203dpi", "300x600dpi"); 0 for none.
double highestResolution(ppd_file_t* ppd) {
    long best = 0;
    const auto consider = [&best](const char* text) {
        if (text == nullptr) return;
        char* end = nullptr;
        const long x = std::strtol(text, &end, 10);
        long y = x;
        if (end != nullptr && *end == 'x') y = std::strtol(end + 1, nullptr, 10);
        best = std::max({best, x, y});
    };
    if (ppd_attr_t* attr = ppdFindAttr(ppd, "DefaultResolution", nullptr)) consider(attr->value);
    if (ppd_option_t* option = ppdFindOption(ppd, "Resolution")) {
        for (int i = 0; i < option->num_choices; ++i) consider(option->choices[i].choice);
    }
    constexpr long kHighestSensible = 9600;
    return best <= kHighestSensible ? static_cast<double>(best) : 0.0;
}

// The largest media of the PPD in dots: the custom size limits and the paper
// sizes, at the highest resolution. Left at 0 when the PPD names no media or
// no resolution.
void readMediaBound(ppd_file_t* ppd, JobSettings* s) {
    const double dpi = highestResolution(ppd);
    double widthPt = 0;
    double heightPt = 0;
    if (ppd->variable_sizes) {
        widthPt = ppd->custom_max[0];
        heightPt = ppd->custom_max[1];
    }
    for (int i = 0; i < ppd->num_sizes; ++i) {
        widthPt = std::max(widthPt, static_cast<double>(ppd->sizes[i].width));
        heightPt = std::max(heightPt, static_cast<double>(ppd->sizes[i].length));
    }
    const double widthDots = std::ceil(widthPt * dpi / 72.0);
    const double heightDots = std::ceil(heightPt * dpi / 72.0);
    // A PPD claiming more than 2^24 dots either way names no real media.
    constexpr double kLargest = 1 << 24;
    if (!(widthDots >= 1 && heightDots >= 1 && widthDots <= kLargest && heightDots <= kLargest)) return;
    s->mediaMaxWidthDots = static_cast<int32_t>(widthDots);
    s->mediaMaxHeightDots = static_cast<int32_t>(heightDots);
}

}  // namespace

void set_pstops_with_ppd(JobSettings* settings) {
    const char* path = std::getenv("PPD");
    writeLogString("PPD=%s", path != nullptr ? path : "(null)");
    ppd_file_t* ppd = path != nullptr ? ppdOpenFile(path) : nullptr;
    if (ppd == nullptr) {
        writeLogString("can't param ppdfile");
        return;
    }
    writeLogString("module_number:%d", ppd->model_number);
    readPpdDefaults(ppd, settings);
    readMakerAttributes(ppd, settings);
    readMediaBound(ppd, settings);
    logDefaults(settings);
    ppdClose(ppd);
}

#pragma GCC diagnostic pop
