// The device protocol's module state and the values derived from it.
#include "protocol/protocol_state.h"
#include "protocol/printer_families.h"

#include <cstdlib>
#include <cstring>

namespace {

uint32_t gOdmPrinterType = 0;
uint32_t gBuffLength = 2048;
uint32_t gImageBuffLength = 0;
uint32_t gDownFileBuffLength = 0;
KVConnectionCache gCache{};
KVDownFileProgress gDownFile{};

}  // namespace

extern "C" {

void setODMPrinterType(uint32_t type) { gOdmPrinterType = type; }
uint32_t getODMPrinterType(void) { return gOdmPrinterType; }

void setMaxDataLengthOnePackage(uint32_t length) { gBuffLength = length; }
uint32_t getMaxDataLengthOnePackage(void) { return gBuffLength; }
void setDownFileOnePackage(uint32_t length) { gDownFileBuffLength = length; }
uint32_t getDownFileOnePackage(void) { return gDownFileBuffLength; }

uint32_t getPrintImageOnePackageWithImageWidthByte(uint32_t widthBytes) {
    // Frame and data-header overhead come off the frame length.
    int64_t budget = static_cast<int64_t>(gBuffLength) - (gOdmPrinterType == kOdmEncrypted ? 24 : 26) - 10;
    if (budget < 0) budget = 0;
    if (widthBytes != 0) budget -= budget % widthBytes;
    if (budget < 12) budget = static_cast<int64_t>(widthBytes) * 10;
    gImageBuffLength = budget > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(budget);
    return gImageBuffLength;
}

uint32_t getImageOnePackageLength(void) { return gImageBuffLength; }

int32_t getMaxWidthDot_l(void) {
    if (gCache.widthMaxDotStr[0] != '\0') {
        char text[sizeof gCache.widthMaxDotStr];
        std::memcpy(text, gCache.widthMaxDotStr, sizeof text);
        text[sizeof text - 1] = '\0';
        return static_cast<int32_t>(std::strtol(text, nullptr, 10));
    }
    switch (gOdmPrinterType) {
        case kOdmEncrypted:
        case kOdmRawRows: return 96;
        case kOdmNarrow: return 384;
        case kDefaultOdmType: return 2592;
        default: return 0;
    }
}

KVConnectionCache* kvConnectionCache(void) { return &gCache; }
KVDownFileProgress* kvDownFileProgress(void) { return &gDownFile; }

void kvClearConnectionCache(void) { gCache = KVConnectionCache{}; }

}  // extern "C"
