// SF ZPL output: the ZPL label format preceded by the fixed line "^^XX" that
// the SF printer models expect before every format.
#include "base/debug_log.h"
#include "languages/generators.h"

DynamicArray* getSFZPLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings) {
    DynamicArray* out = dynamic_array_init(2);
    if (out == nullptr) return nullptr;
    static constexpr char kPrefix[] = "^^XX\r\n";
    dynamic_array_push_more_data(out, kPrefix, sizeof kPrefix - 1);
    writeDebugData(out->data, out->size);
    DynamicArrayPtr zpl(getZPLPrintData(page, width, height, settings));
    if (zpl) dynamic_array_push_more_data(out, zpl->data, zpl->size);
    return out;
}
