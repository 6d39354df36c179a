// The printer kinds the application serves, one per PPD of ppd/kovali.drv:
// language or device model, resolution, media, the ranges of darkness and
// speed in the printer's own units, and which options the kind has.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kvapp {

enum class Family { Label, TwoColour, Cpcl, Receipt, Device };

// A range of printer-native values: min, max and the step between levels.
struct Range {
    int min = 0;
    int max = 0;
    int step = 1;
    int levels() const { return max < min ? 0 : (max - min) / step + 1; }
};

struct MediaSize {
    const char* pwgName;  // PWG self-describing name
    int widthHmm;         // hundredths of millimetres
    int lengthHmm;
};

struct PrinterKind {
    const char* driver;       // driver name (the PPD's file name without ".ppd")
    const char* description;  // shown in "drivers" and the web interface
    const char* deviceId;     // IEEE 1284 device ID the printer reports on USB
    const char* makeModel;
    Family family;
    int32_t devType;  // output language or device model number
    int dpi;
    int maxWidthMM;  // widest printable area; -1: no limit
    Range darkness;  // printer darkness values
    int defaultDarkness;
    Range speed;  // printer speed values (0 on device models: printer's own)
    int defaultSpeed;
    std::span<const MediaSize> media;
    int defaultMedia;                                          // index into media
    int minWidthHmm, minLengthHmm, maxWidthHmm, maxLengthHmm;  // custom sizes
    int sideMarginHmm;                                         // left and right margin
    bool silentPrint;                                          // the L50C's silent mode
};

// Every kind, in the order of the PPDs.
std::span<const PrinterKind> printerKinds();
// The kind of a driver name, or null.
const PrinterKind* findKind(std::string_view driver);

// Printer-native darkness from the IPP darkness percentage (0-100).
int darknessFromPercent(const PrinterKind& kind, int percent);
// The IPP percentage that gives a printer-native darkness value.
int percentFromDarkness(const PrinterKind& kind, int darkness);
// IPP print-speed (hundredths of mm per second) from a printer speed value and
// back; speeds are inches per second, one level = 2540.
constexpr int kSpeedUnit = 2540;
int speedFromIpp(const PrinterKind& kind, int ippSpeed);

}  // namespace kvapp
