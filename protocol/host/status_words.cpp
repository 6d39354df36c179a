// Printer status words: one Chinese and one English word per set bit of the
// status mask the printer reports, for display by the application.
#include <cstring>
#include <iterator>

#include "protocol/host/reply_analysis.h"

namespace {

struct StatusWord {
    const char* chinese;
    const char* english;
};

constexpr StatusWord kWords[] = {
    {"开盖;", "Lid Opened;"},
    {"缺纸;", "Lack Paper;"},
    {"卡纸;", "Paper Jammed;"},
    {"过温;", "Over Heated;"},
    {"无打印机片头;", "No Printer Header;"},
    {"电压过高;", "High Voltage;"},
    {"电压过低;", "Low Voltage;"},
    {"打印中;", "Printing;"},
    {"切刀错误;", "Cutter Error;"},
    {"字库存储器异常;", "Font Memory Error;"},
    {"PSRAM 异常;", "Psram Error;"},
    {"未缺纸学习;", "No Lack Paper Learn;"},
    {"即将关机;", "Will Shut Down;"},
    {"关机中;", "Shutting Down;"},
};

}  // namespace

extern "C" void PrinterStatusFill(int32_t status, char* chinese, char* english) {
    const uint32_t mask = uint32_t(status);
    for (size_t bit = 0; bit < std::size(kWords); ++bit) {
        if ((mask >> bit & 1u) == 0) continue;
        if (chinese != nullptr) std::strcat(chinese, kWords[bit].chinese);
        if (english != nullptr) std::strcat(english, kWords[bit].english);
    }
}
