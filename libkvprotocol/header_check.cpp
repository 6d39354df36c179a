// Compile-time check that the installed C header declares every function with
// the library's own types and signatures: the library's headers come first,
// then the public header over them, so any difference is a conflicting
// declaration here.
#include "protocol/command_builders.h"
#include "protocol/crc32.h"
#include "protocol/device/image_front_end.h"
#include "protocol/device/transfer_entry_points.h"
#include "protocol/frame.h"
#include "protocol/host/kvsz_protocol.h"
#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_decoder.h"
#include "protocol/image_transfer.h"
#include "protocol/protocol_state.h"
#include "protocol/send_pack.h"

#define KV_PROTOCOL_INTERNAL_TYPES
#include "libkvprotocol/kvprotocol.h"

static_assert(KVPROTOCOL_VERSION_MAJOR == KV_PROJECT_VERSION_MAJOR &&
                  KVPROTOCOL_VERSION_MINOR == KV_PROJECT_VERSION_MINOR &&
                  KVPROTOCOL_VERSION_PATCH == KV_PROJECT_VERSION_PATCH,
              "kvprotocol.h's version macros must match the project version in CMakeLists.txt");
