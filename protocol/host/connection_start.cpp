// Connection start: the first command of a connection, which clears the
// connection cache and resets the reply decoder (a half-read reply of an
// earlier connection must not run into the new one's).
#include "protocol/host/connection_start.h"

#include <vector>

#include "protocol/command_payload.h"
#include "protocol/frame.h"
#include "protocol/host/reply_decoder.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

extern "C" {

void resetCacheWhenStartConnect(void) {
    kvClearConnectionCache();
    HAL_KVDecodeReset();
}

// Protocol parameters, and the serial number (always in clear) for the
// families that report it at connection start.
SendPack getProtocolData(void) {
    resetCacheWhenStartConnect();
    SendPackPtr parameters(kvCommandBytes(1, 1));
    const uint32_t type = getODMPrinterType();
    if (type == kOdmEncrypted || type == kOdmRawRows || parameters.empty()) return parameters.release();
    SendPackPtr serial(kvBuildCommandEncrypted(1, 6, {}, 1, 0));
    std::vector<uint8_t> both(parameters.bytes().begin(), parameters.bytes().end());
    both.insert(both.end(), serial.bytes().begin(), serial.bytes().end());
    return kvSendPackFromBytes(both);
}

}  // extern "C"
