// CRC-16/XMODEM (polynomial 0x1021, initial 0, no reflection, no final XOR),
// the check value of Z64 graphic fields.
#pragma once

#include <cstdint>

uint16_t CRC16(const uint8_t* data, uint64_t len);
