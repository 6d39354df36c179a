// Fuzz target: a payload read as the tagged list of every class and
// sub-command that has one (the first two bytes choose them).
#include <cstddef>
#include <cstdint>

#include "protocol/host/reply_analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    gstKVCmdDecodeInfo.cmd = data[0] % 9;
    gstKVCmdDecodeInfo.subCmd = data[1];
    analysisDatas(data + 2, uint32_t(size - 2));
    return 0;
}
