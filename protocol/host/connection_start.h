// Connection start of the host side: clearing what an earlier connection left
// (connection cache, reply decoder) and the command that opens a connection.
#pragma once

#include "protocol/send_pack.h"

extern "C" {

// Clears the connection cache and resets the reply decoder; called before the
// first command of a connection.
void resetCacheWhenStartConnect(void);
// Protocol parameters (and, except for the families 163 and 30, the serial
// number in clear); starts a connection with resetCacheWhenStartConnect.
SendPack getProtocolData(void);

}  // extern "C"
