// Stand-ins for the language generators until each is written: an empty page.
#include "languages/generators.h"

namespace {
DynamicArray* emptyPage() { return dynamic_array_init(2); }
}  // namespace

DynamicArray* getTSPLPrintData(const uint8_t*, int64_t, uint64_t, const JobSettings*) { return emptyPage(); }
DynamicArray* getZPLPrintData(const uint8_t*, int64_t, uint64_t, const JobSettings*) { return emptyPage(); }
DynamicArray* getSFZPLPrintData(const uint8_t*, int64_t, uint64_t, const JobSettings*) { return emptyPage(); }
DynamicArray* getCPCLPrintData(const uint8_t*, int64_t, uint64_t, const JobSettings*) { return emptyPage(); }
DynamicArray* getESCPrintData(const uint8_t*, int64_t, uint64_t, const JobSettings*) { return emptyPage(); }
DynamicArray* getTSPLTwoColorPrintData(const uint8_t*, int64_t, int64_t, uint64_t, const JobSettings*) {
    return emptyPage();
}
void subImageLessthenMaxPrintWidthMM(uint8_t*, int64_t*, uint64_t, const JobSettings*, int) {}
