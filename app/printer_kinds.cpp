// The printer kinds: one entry per PPD of ppd/kovali.drv, with the option
// ranges of ppd/*.defs in the printer's own units.
#include "app/printer_kinds.h"

#include <algorithm>
#include <array>

#include "languages/device_types.h"

namespace kvapp {
namespace {

constexpr std::array kLabelMedia = {
    MediaSize{"om_40x30-label_40x30mm", 4000, 3000},       MediaSize{"om_50x30-label_50x30mm", 5000, 3000},
    MediaSize{"om_58x40-label_58x40mm", 5800, 4000},       MediaSize{"om_100x100-label_100x100mm", 10000, 10000},
    MediaSize{"om_100x150-label_100x150mm", 10000, 15000}, MediaSize{"oe_2x1-label_2x1in", 5080, 2540},
    MediaSize{"na_index-4x6_4x6in", 10160, 15240},
};
constexpr int kLabel100x150 = 4;
constexpr int kLabel4x6 = 6;
constexpr int kLabel58x40 = 2;

constexpr std::array kRoll58Media = {
    MediaSize{"om_58x100-receipt_58x100mm", 5800, 10000},
    MediaSize{"om_58x210-receipt_58x210mm", 5800, 21000},
    MediaSize{"om_58x297-receipt_58x297mm", 5800, 29700},
};
constexpr std::array kRoll80Media = {
    MediaSize{"om_80x100-receipt_80x100mm", 8000, 10000},
    MediaSize{"om_80x210-receipt_80x210mm", 8000, 21000},
    MediaSize{"om_80x297-receipt_80x297mm", 8000, 29700},
};
constexpr std::array kSheetMedia = {
    MediaSize{"iso_a4_210x297mm", 21000, 29700},
    MediaSize{"na_letter_8.5x11in", 21590, 27940},
    MediaSize{"iso_a5_148x210mm", 14800, 21000},
};

constexpr Range kTsplDarkness{0, 15, 1};
constexpr Range kTsplSpeed{1, 6, 1};
constexpr Range kZplDarkness{0, 30, 1};
constexpr Range kZplSpeed{2, 12, 1};
constexpr Range kCpclDarkness{0, 200, 10};
constexpr Range kCpclSpeed{0, 5, 1};
constexpr Range kDeviceDarkness{1, 15, 1};
constexpr Range kDeviceSpeed{0, 5, 1};
constexpr Range kNone{0, -1, 1};

PrinterKind label(const char* driver, const char* model, const char* id, Family family, int32_t devType, int dpi,
                  Range darkness, int darknessDefault, Range speed, int speedDefault, int defaultMedia) {
    return {driver, model,        id,          model,        family, devType, dpi,   104,    darkness, darknessDefault,
            speed,  speedDefault, kLabelMedia, defaultMedia, 1000,   1000,    10400, 100000, 0,        false};
}

PrinterKind receipt(const char* driver, const char* model, const char* id, int headMM, std::span<const MediaSize> media,
                    int rollHmm, int marginHmm) {
    return {driver, model, id,      model, Family::Receipt, kLanguageEscPos, 203,       headMM, kNone, 0, kNone, 0,
            media,  2,     rollHmm, 1000,  rollHmm,         300000,          marginHmm, false};
}

PrinterKind device(const char* driver, const char* model, const char* id, int32_t devType, int dpi,
                   bool silent = false) {
    return {driver, model,       id, model, Family::Device, devType, dpi,    -1, kDeviceDarkness, 8, kDeviceSpeed,
            0,      kSheetMedia, 0,  5000,  5000,           21600,   100000, 0,  silent};
}

const std::array kKinds = {
    label("kvtspl2", "Kovali TSPL 203dpi", "MFG:Kovali;CMD:TSPL;MDL:TSPL 203dpi;", Family::Label, kLanguageTspl, 203,
          kTsplDarkness, 8, kTsplSpeed, 4, kLabel100x150),
    label("kvtspl3", "Kovali TSPL 300dpi", "MFG:Kovali;CMD:TSPL;MDL:TSPL 300dpi;", Family::Label, kLanguageTspl, 300,
          kTsplDarkness, 8, kTsplSpeed, 4, kLabel100x150),
    label("kvzpl2", "Kovali ZPL 203dpi", "MFG:Kovali;CMD:ZPL;MDL:ZPL 203dpi;", Family::Label, kLanguageZpl, 203,
          kZplDarkness, 15, kZplSpeed, 4, kLabel4x6),
    label("kvzpl3", "Kovali ZPL 300dpi", "MFG:Kovali;CMD:ZPL;MDL:ZPL 300dpi;", Family::Label, kLanguageZpl, 300,
          kZplDarkness, 15, kZplSpeed, 4, kLabel4x6),
    label("kvsfzpl", "Kovali SF ZPL 203dpi", "MFG:Kovali;CMD:ZPL;MDL:SF ZPL 203dpi;", Family::Label, kLanguageSfZpl,
          203, kZplDarkness, 15, kZplSpeed, 4, kLabel4x6),
    label("kvcpcl", "Kovali CPCL 203dpi", "MFG:Kovali;CMD:CPCL;MDL:CPCL 203dpi;", Family::Cpcl, kLanguageCpcl, 203,
          kCpclDarkness, 0, kCpclSpeed, 3, kLabel58x40),
    receipt("kvpos58", "Kovali ESC/POS 58mm", "MFG:Kovali;CMD:ESC/POS;MDL:ESC/POS 58mm;", 48, kRoll58Media, 5800, 500),
    receipt("kvpos80", "Kovali ESC/POS 80mm", "MFG:Kovali;CMD:ESC/POS;MDL:ESC/POS 80mm;", 72, kRoll80Media, 8000, 400),
    label("kvtspl2c", "Kovali Two-Colour TSPL 203dpi", "MFG:Kovali;CMD:TSPL;MDL:Two-Colour TSPL 203dpi;",
          Family::TwoColour, kLanguageTwoColourTspl, 203, kTsplDarkness, 8, kTsplSpeed, 4, kLabel100x150),
    device("kvlm50", "Kovali LM50", "MFG:Kovali;CMD:KVP;MDL:LM50;", kDeviceLM50, 300),
    device("kvl50", "Kovali L50", "MFG:Kovali;CMD:KVP;MDL:L50;", kDeviceL50, 203),
    device("kvl60", "Kovali L60", "MFG:Kovali;CMD:KVP;MDL:L60;", kDeviceL60, 300),
    device("kvl50b", "Kovali L50B", "MFG:Kovali;CMD:KVP;MDL:L50B;", kDeviceL50B, 300),
    device("kvl50c", "Kovali L50C", "MFG:Kovali;CMD:KVP;MDL:L50C;", kDeviceL50CTattoo, 203, true),
    device("kvl60b", "Kovali L60B", "MFG:Kovali;CMD:KVP;MDL:L60B;", kDeviceL60B, 203),
};

int clampInt(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

std::span<const PrinterKind> printerKinds() { return kKinds; }

const PrinterKind* findKind(std::string_view driver) {
    for (const PrinterKind& k : kKinds) {
        if (driver == k.driver) return &k;
    }
    return nullptr;
}

int darknessFromPercent(const PrinterKind& kind, int percent) {
    const int levels = kind.darkness.levels();
    if (levels <= 0) return 0;
    const int level = (clampInt(percent, 0, 100) * (levels - 1) + 50) / 100;
    return kind.darkness.min + level * kind.darkness.step;
}

int percentFromDarkness(const PrinterKind& kind, int darkness) {
    const int levels = kind.darkness.levels();
    if (levels <= 1) return 0;
    const int level = clampInt((darkness - kind.darkness.min) / kind.darkness.step, 0, levels - 1);
    return (level * 100 + (levels - 1) / 2) / (levels - 1);
}

int speedFromIpp(const PrinterKind& kind, int ippSpeed) {
    if (kind.speed.levels() <= 0) return 0;
    const int value = (ippSpeed + kSpeedUnit / 2) / kSpeedUnit;
    return clampInt(value, kind.speed.min, kind.speed.max);
}

}  // namespace kvapp
