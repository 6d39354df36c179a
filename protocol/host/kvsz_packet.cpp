// Requests of the second packet family: the packet record and its bytes.
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/seams.h"
#include "protocol/host/kvsz_protocol.h"

namespace {

void putLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

extern "C" {

KVSZPacket creatDefaultKVSZPacket(void) {
    KVSZPacket packet{};
    packet.head = KVSZ_HEAD;
    packet.tail = KVSZ_TAIL;
    packet.random = uint8_t(kvRand());
    return packet;
}

SendPack KVSZ_GetProtocolPack(KVSZPacket* packet) {
    if (packet == nullptr || (packet->data == nullptr && packet->dataLength != 0) ||
        packet->dataLength > UINT32_MAX - 16)
        return kvGetEmptyProtocolPack();
    packet->length = packet->dataLength + 4;
    std::vector<uint8_t> out;
    out.reserve(size_t(packet->dataLength) + 16);
    putLe32(out, packet->head);
    putLe32(out, packet->length);
    out.push_back(uint8_t(packet->command));
    out.push_back(packet->reserved);
    out.push_back(packet->random);
    out.push_back(packet->status);
    if (packet->dataLength != 0) out.insert(out.end(), packet->data, packet->data + packet->dataLength);
    putLe32(out, packet->tail);
    return kvSendPackFromBytes(out);
}

SendPack KVSZ_Get_PrinterInfoData(void) {
    KVSZPacket packet = creatDefaultKVSZPacket();
    packet.command = 2;
    return KVSZ_GetProtocolPack(&packet);
}

SendPack KVSZ_Set_PrinterWiFi(const char* ssid, const char* password) {
    const std::string_view s = ssid ? ssid : "";
    const std::string_view p = password ? password : "";
    std::vector<uint8_t> data;
    try {
        data.reserve(s.size() + p.size() + 2);
    } catch (const std::bad_alloc&) {
        return kvGetEmptyProtocolPack();
    }
    data.insert(data.end(), s.begin(), s.end());
    data.push_back(0);
    data.insert(data.end(), p.begin(), p.end());
    data.push_back(0);
    KVSZPacket packet = creatDefaultKVSZPacket();
    packet.command = 4;
    packet.data = data.data();
    packet.dataLength = uint32_t(data.size());
    return KVSZ_GetProtocolPack(&packet);
}

}  // extern "C"
