// The record every device-protocol builder returns ({data, length}, heap bytes
// owned by the caller) and the description of one frame handed to the frame
// builder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

extern "C" {

// One frame to build. Only the low 4 bits of encryptType, packetKind and
// replyFlag reach the wire.
struct ProtocolPackHead {
    uint8_t cmd;          // command class: 1 info/power, 2 file download, 3 WiFi, 4 Bluetooth,
                          // 5 printing, 7 NFC, 8 custom offline printing
    uint8_t subCmd;       // command within the class
    uint8_t encryptType;  // 0 clear body, 2 AES-128 body
    uint8_t packetKind;   // high nibble of the kind byte: 1 host and notices, 2 replies
    uint8_t replyFlag;    // low nibble of the kind byte: 1 commands, 0 image data
    uint16_t dataLength;  // payload bytes
};

// Builder result: heap bytes (malloc) and their count; {nullptr, 0} is "no command".
struct SendPack {
    uint8_t* data;
    uint32_t length;
};

// The empty SendPack.
SendPack kvGetEmptyProtocolPack(void);
// Frees the bytes of a SendPack; a null pointer is ignored.
void freeSendPack(uint8_t* data, uint32_t length);
// Frees any other buffer the library hands out (frames, bitmaps); null is ignored.
void kvFree(void* buffer);

}  // extern "C"

// Heap copy of bytes as a SendPack; the empty SendPack for no bytes.
SendPack kvSendPackFromBytes(std::span<const uint8_t> bytes);

// Owning handle of a SendPack for internal use.
class SendPackPtr {
public:
    SendPackPtr() = default;
    explicit SendPackPtr(SendPack pack) : pack_(pack) {}
    ~SendPackPtr() { freeSendPack(pack_.data, pack_.length); }
    SendPackPtr(const SendPackPtr&) = delete;
    SendPackPtr& operator=(const SendPackPtr&) = delete;
    SendPackPtr(SendPackPtr&& other) noexcept : pack_(std::exchange(other.pack_, SendPack{nullptr, 0})) {}
    SendPackPtr& operator=(SendPackPtr&& other) noexcept {
        if (this != &other) {
            freeSendPack(pack_.data, pack_.length);
            pack_ = std::exchange(other.pack_, SendPack{nullptr, 0});
        }
        return *this;
    }
    bool empty() const { return pack_.data == nullptr || pack_.length == 0; }
    const uint8_t* data() const { return pack_.data; }
    uint32_t length() const { return pack_.length; }
    std::span<const uint8_t> bytes() const { return {pack_.data, empty() ? 0u : pack_.length}; }
    // Gives up ownership.
    SendPack release() { return std::exchange(pack_, SendPack{nullptr, 0}); }

private:
    SendPack pack_{nullptr, 0};
};
