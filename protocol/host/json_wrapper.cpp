// JSON-wrapped replies: a {...} text whose string member "Cmd" carries the
// frame bytes in base64. The bytes are fed to the frame decoder.
#include <cjson/cJSON.h>

#include <cstring>
#include <string_view>

#include "protocol/host/base64_decode.h"
#include "protocol/host/reply_decoder.h"

KVCmdDecodeJsonInfo gstKVCmdDecodeJsonInfo{};

namespace {

void feedWrapped(const char* text, uint32_t length) {
    cJSON* root = cJSON_ParseWithLength(text, length);
    if (root == nullptr) return;
    const char* cmd = cJSON_GetStringValue(cJSON_GetObjectItem(root, "Cmd"));
    if (cmd != nullptr) {
        if (auto bytes = kvBase64Decode(std::string_view(cmd))) {
            HAL_KVDecodeReset();
            for (uint8_t byte : *bytes) HAL_KV_Packet_Decode(byte);
        }
    }
    cJSON_Delete(root);
}

}  // namespace

extern "C" {

void HAL_KVDecodeJsonReset(void) {
    gstKVCmdDecodeJsonInfo.state = 0;
    gstKVCmdDecodeJsonInfo.length = 0;
    std::memset(gstKVCmdDecodeJsonInfo.text, 0, sizeof gstKVCmdDecodeJsonInfo.text);
}

void HAL_KV_Packet_Decode_Json(uint8_t character) {
    KVCmdDecodeJsonInfo& j = gstKVCmdDecodeJsonInfo;
    if (j.state == 0) {
        if (character != '{') return;
        j.state = 1;
        j.length = 0;
    }
    if (j.length >= sizeof j.text) {  // longer than the wrapper holds: dropped
        HAL_KVDecodeJsonReset();
        return;
    }
    j.text[j.length++] = char(character);
    if (character != '}') return;
    feedWrapped(j.text, j.length);
    HAL_KVDecodeJsonReset();
}

}  // extern "C"
