// Compile-time check that the installed C header declares every function with
// the library's own types and signatures: any difference is a conflicting
// redeclaration (or a failed static_assert) here.
#include "protocol/command_builders.h"
#include "protocol/crc32.h"
#include "protocol/frame.h"
#include "protocol/host/capi/device_entry_points.h"
#include "protocol/host/kvsz_protocol.h"
#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_decoder.h"
#include "protocol/image_transfer.h"
#include "protocol/protocol_state.h"
#include "protocol/send_pack.h"

#include <type_traits>

namespace kvc_public {
#define KV_PROTOCOL_INTERNAL_TYPES
#include "protocol/host/kvprotocol.h"
}  // namespace kvc_public

// The public header's device entry points (declared in kvc_public with C
// linkage) match the wrappers.
#define KV_SAME_PUBLIC(name) \
    static_assert(std::is_same_v<decltype(kvc_##name), decltype(kvc_public::name)>, #name)
KV_SAME_PUBLIC(getImageData);
KV_SAME_PUBLIC(getRGBAImageData);
KV_SAME_PUBLIC(getImageGap);
KV_SAME_PUBLIC(driveGetDataFromGrayImage);
KV_SAME_PUBLIC(driveGetDataFromRGBAImage);
KV_SAME_PUBLIC(driveGetPrintDataFromHex);
KV_SAME_PUBLIC(getPrintData);
KV_SAME_PUBLIC(getPrintImageData);
KV_SAME_PUBLIC(getPrintRateLineImageData);
KV_SAME_PUBLIC(getPrintBlockTestImageData);
KV_SAME_PUBLIC(getPrintPrinterInfoData);
