// kvproto decode: reads printer bytes (binary, hex text, or lines of
// JSON-wrapped replies) and prints one JSON object per reply.
#include <cjson/cJSON.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "protocol/host/kvsz_protocol.h"
#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_decoder.h"
#include "tools/kvproto/kvproto.h"

namespace {

std::string readAll(const std::string& path) {
    if (path == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read \"" + path + "\"");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool looksLikeHex(const std::string& text) {
    bool digits = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isxdigit(c))
            digits = true;
        else if (!std::isspace(c) && c != ',' && c != ':' && !(c == 'x' && i > 0 && text[i - 1] == '0'))
            return false;
    }
    return digits;
}

std::string hexToBytes(const std::string& text) {
    std::string out, digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '0' && i + 1 < text.size() && text[i + 1] == 'x') {  // 0x prefixes
            ++i;
            continue;
        }
        if (std::isxdigit(static_cast<unsigned char>(text[i]))) digits += text[i];
    }
    if (digits.size() % 2 != 0) throw std::runtime_error("hex input has an odd number of digits");
    for (size_t i = 0; i < digits.size(); i += 2) out += char(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

// Prints one reply as a JSON line; the report is embedded as an object when
// it is JSON, else as a string.
void printReply(cJSON* line, const char* report) {
    cJSON* parsed = report[0] != '\0' ? cJSON_Parse(report) : nullptr;
    if (parsed != nullptr)
        cJSON_AddItemToObject(line, "report", parsed);
    else if (report[0] != '\0')
        cJSON_AddStringToObject(line, "report", report);
    else
        cJSON_AddItemToObject(line, "report", cJSON_CreateObject());
    char* text = cJSON_PrintUnformatted(line);
    if (text != nullptr) std::printf("%s\n", text);
    cJSON_free(text);
    cJSON_Delete(line);
}

void mainReply() {
    const uint32_t result = analysisPack();
    const KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
    cJSON* line = cJSON_CreateObject();
    cJSON_AddNumberToObject(line, "class", d.cmd);
    cJSON_AddNumberToObject(line, "subCmd", d.subCmd);
    cJSON_AddNumberToObject(line, "kind", d.kind);
    cJSON_AddNumberToObject(line, "result", result);
    const bool handOut = result == KV_RESULT_OK || (result == KV_RESULT_FAILED && d.cmd == 2);
    printReply(line, handOut ? d.report : "");
}

int decodeMain(const std::string& data, bool wrapped) {
    int replies = 0;
    HAL_KVDecodeReset();
    HAL_KVDecodeJsonReset();
    for (char c : data) {
        if (wrapped)
            HAL_KV_Packet_Decode_Json(uint8_t(c));
        else
            HAL_KV_Packet_Decode(uint8_t(c));
        if (!HAL_KV_AckToAPP_Process()) continue;
        mainReply();
        ++replies;
    }
    return replies;
}

int decodeSecondFamily(const std::string& data) {
    int replies = 0;
    KVSZ_DecodeReset();
    for (char c : data) {
        KVSZ_Packet_Decode(uint8_t(c));
        if (!KVSZ_AckToAppProcess()) continue;
        const uint32_t result = KVSZ_AnalysisPack();
        cJSON* line = cJSON_CreateObject();
        cJSON_AddNumberToObject(line, "command", gstKVSZCmdDecodeInfo.command);
        cJSON_AddNumberToObject(line, "status", gstKVSZCmdDecodeInfo.status);
        cJSON_AddNumberToObject(line, "result", result);
        printReply(line, result == KV_RESULT_OK ? gstKVSZCmdDecodeInfo.report : "");
        ++replies;
    }
    return replies;
}

}  // namespace

int runDecode(const ToolArgs& args) {
    std::string family = "main", format = "auto", path = "-";
    bool havePath = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--family" || args[i] == "--format") && i + 1 < args.size()) {
            (args[i] == "--family" ? family : format) = args[i + 1];
            ++i;
        } else if (!havePath && (args[i] == "-" || args[i].rfind("--", 0) != 0)) {
            path = args[i];
            havePath = true;
        } else {
            throw UsageError("unexpected decode argument \"" + args[i] + "\"");
        }
    }
    if (family != "main" && family != "sz") throw UsageError("--family is main or sz");
    if (format != "auto" && format != "bin" && format != "hex" && format != "json")
        throw UsageError("--format is auto, bin, hex or json");
    std::string data = readAll(path);
    if (format == "auto") {
        const size_t first = data.find_first_not_of(" \t\r\n");
        format = first != std::string::npos && data[first] == '{' ? "json" : looksLikeHex(data) ? "hex" : "bin";
    }
    if (format == "hex") data = hexToBytes(data);
    if (format == "json" && family == "sz") throw UsageError("JSON-wrapped input is only for the main family");
    std::fflush(stdout);
    const int replies = family == "sz" ? decodeSecondFamily(data) : decodeMain(data, format == "json");
    if (replies == 0) {
        std::fprintf(stderr, "kvproto: no complete reply in the input\n");
        return 1;
    }
    return 0;
}
