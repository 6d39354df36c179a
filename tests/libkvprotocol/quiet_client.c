/* A C application that exercises the library's logging paths: an image
 * transfer, a command builder and the reply decoder, first with no log
 * function (the default), then with one that counts the lines. Prints the
 * version check and the line counts; writes no file of its own. */
#include <kvprotocol.h>

#include <stdio.h>
#include <string.h>

static unsigned lines;

static void countLine(const char* line, size_t length, void* context) {
    (void)context;
    if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') ++lines;
}

static void exercise(void) {
    uint8_t bitmap[8 * 16];
    memset(bitmap, 0x5A, sizeof bitmap);
    SendPack image = getPrintData(bitmap, 64, 16, 0, 0, 0, 0);
    freeSendPack(image.data, image.length);
    SendPack speed = setPrinterPrintSpeedData(3);
    freeSendPack(speed.data, speed.length);
    const uint8_t payload[2] = {5, 8};
    ProtocolPackHead head = {5, 3, 0, 2, 1, 2};
    SendPack reply = kvGetProtocolPack(head, payload);
    for (uint32_t i = 0; i < reply.length; ++i) freeReceivePack(getJsonString(reply.data[i]));
    freeSendPack(reply.data, reply.length);
}

int main(void) {
    printf("version %s\n", kvprotocolVersion() == KVPROTOCOL_VERSION ? "matches" : "differs");
    setODMType(28);
    exercise();
    printf("lines without a function %u\n", lines);
    kvSetLogFunction(countLine, NULL);
    exercise();
    printf("lines to the function %s\n", lines > 0 ? "yes" : "no");
    kvSetLogFunction(NULL, NULL);
    const unsigned before = lines;
    exercise();
    printf("lines after removing it %u\n", lines - before);
    return 0;
}
