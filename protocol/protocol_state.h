// Process-wide state of the device protocol: the printer family (ODM type),
// the maximum frame length, the package budgets, the connection cache that a
// connection set-up fills from the printer's replies, and the file-download
// progress counters.
#pragma once

#include <cstdint>

#include "protocol/printer_families.h"

extern "C" {

// Printer-reported values; zero or empty until a connection set-up fills them.
struct KVConnectionCache {
    uint32_t pVer;
    uint32_t pAlgo;
    char devNameStr[200];
    char firmwareStr[200];
    char hwVerStr[200];
    char snStr[200];
    char manufacturerStr[200];
    char devProdTypeStr[200];
    char supportPaperSizeStr[200];
    char dpiStr[200];
    char widthMaxDotStr[200];
    char batteryVoltageStr[200];
    char batteryPercentStr[200];
    char batteryStateStr[200];
};

// Progress of a class 2 file download, kept as its frames are built.
struct KVDownFileProgress {
    uint32_t totalLength;
    uint32_t currentLength;
    uint32_t offsetBase;
};

void setODMPrinterType(uint32_t type);
uint32_t getODMPrinterType(void);

// Maximum frame length of one packet (pBuffLength).
void setMaxDataLengthOnePackage(uint32_t length);
uint32_t getMaxDataLengthOnePackage(void);
// Piece size of file downloads, learnt from the printer (pDownFileBuffLength).
void setDownFileOnePackage(uint32_t length);
uint32_t getDownFileOnePackage(void);

// Byte budget of one package of coded image rows for rows of widthBytes bytes;
// also stored as the last package budget.
uint32_t getPrintImageOnePackageWithImageWidthByte(uint32_t widthBytes);
// Last result of getPrintImageOnePackageWithImageWidthByte.
uint32_t getImageOnePackageLength(void);
// Print width in dots: the printer's report, else the family's default.
int32_t getMaxWidthDot_l(void);

// The connection cache (for the connection set-up and the reply reports).
KVConnectionCache* kvConnectionCache(void);
// File-download progress counters.
KVDownFileProgress* kvDownFileProgress(void);

// Clears the connection cache (the host side's connection start,
// resetCacheWhenStartConnect, also resets the reply decoder).
void kvClearConnectionCache(void);

}  // extern "C"
