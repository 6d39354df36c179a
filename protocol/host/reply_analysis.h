// Reply analysis of the device protocol: turns the payload of a handed-over
// reply or notice into a JSON report (in gstKVCmdDecodeInfo.report) and a
// result code, plus the report helpers and the printer status words.
#pragma once

#include <cstdint>

#include "protocol/host/reply_decoder.h"

extern "C" {

// Result codes of the analysis.
#define KV_RESULT_NONE 0u    /* acknowledged, no report */
#define KV_RESULT_OK 1u      /* report ready */
#define KV_RESULT_FAILED 2u  /* printer failure, malformed payload, or a report too long for its field */
#define KV_RESULT_UNKNOWN 3u /* unknown class or sub-command */

// Analyses the handed-over frame; the report is cleared first.
uint32_t analysisPack(void);
// Class 8 (custom offline printing); 3 for any other class.
uint32_t analysisPack_RD(KVCmdDecodeInfo* info);

// Reads a tagged list (tag, 16-bit length, value) with the key table of the
// handed-over class and sub-command and writes its report. 1, or 2 when an
// entry runs past the payload or a number is longer than four bytes.
uint32_t analysisDatas(const uint8_t* payload, uint32_t length);

// Report helpers on the handed-over payload. Each returns 1, or 2 when the
// payload does not hold what is asked or the report does not fit its field.
uint32_t jsonStrCopy(void);
uint32_t setJsonStrKey(const char* key);
uint32_t setJsonStrKeyValue(const char* key, const char* value);
uint32_t setJsonIntValueWithKey(const char* key, uint8_t byteCount, uint32_t tenths);
void setJsonEmpty(void);

// Appends the Chinese and English words of every set bit of status (bits 0
// to 13, each word ending in ";") to the two NUL-terminated buffers, which
// must have room (at most 180 and 200 more bytes).
void PrinterStatusFill(int32_t status, char* chinese, char* english);

}  // extern "C"
