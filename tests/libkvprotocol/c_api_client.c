/* A C application of the installed library: builds a command, decodes a
 * printer reply into its JSON report, builds a second-family request and an
 * image transfer, and fills the status words. Prints one result per line. */
#include <kvprotocol.h>

#include <stdio.h>
#include <string.h>

static void printHex(SendPack pack) {
    for (uint32_t i = 0; i < pack.length; ++i) printf("%02X", pack.data[i]);
    printf("\n");
    freeSendPack(pack.data, pack.length);
}

int main(void) {
    setODMType(28);
    printHex(setPrinterPrintDarknessData("20,8"));

    /* A darkness reply as the printer sends it: kind 0x21, class 5 / 3. */
    const uint8_t payload[2] = {5, 8};
    ProtocolPackHead head = {5, 3, 0, 2, 1, 2};
    SendPack reply = kvGetProtocolPack(head, payload);
    for (uint32_t i = 0; i < reply.length; ++i) {
        ReceivePack r = getJsonString(reply.data[i]);
        if (r.result != 0) printf("result %u class %u sub %u %s\n", r.result, r.cmd, r.subCmd, r.json);
        freeReceivePack(r);
    }
    freeSendPack(reply.data, reply.length);

    SendPack sz = KVSZ_Get_PrinterInfoData();
    printf("sz %u\n", sz.length);
    freeSendPack(sz.data, sz.length);

    uint8_t bitmap[8 * 4];
    memset(bitmap, 0xF0, sizeof bitmap);
    SendPack image = getPrintData(bitmap, 64, 4, 0, 0, 0, 0);
    printf("image %s\n", image.length > 0 ? "yes" : "no");
    freeSendPack(image.data, image.length);

    char zh[256] = "", en[256] = "";
    PrinterStatusFill(3, zh, en);
    printf("%s\n", en);
    return 0;
}
