// Status, identify and test page callbacks. A device model on a USB or
// network connection is asked for its status word and battery (at most every
// 30 seconds, never while it prints); what it answers becomes
// printer-state-reasons: cover open, media empty, media jam, and "other" for
// overheating and a low battery. Nothing is claimed when it does not answer.
#include "app/printer_status.h"

#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "app/engine_adapter.h"
#include "app/raster_driver.h"
#include "app/test_label.h"

namespace kvapp {
namespace {

constexpr std::time_t kStatusInterval = 30;
constexpr pappl_preason_t kDeviceReasons =
    PAPPL_PREASON_COVER_OPEN | PAPPL_PREASON_MEDIA_EMPTY | PAPPL_PREASON_MEDIA_JAM | PAPPL_PREASON_OTHER;
constexpr int kLowBatteryPercent = 10;

// True when this printer's status was asked less than the interval ago.
bool askedRecently(pappl_printer_t* printer) {
    static std::mutex lock;
    static std::map<int, std::time_t> last;
    const std::lock_guard<std::mutex> guard(lock);
    const std::time_t now = std::time(nullptr);
    std::time_t& when = last[papplPrinterGetID(printer)];
    if (when != 0 && now - when < kStatusInterval) return true;
    when = now;
    return false;
}

pappl_preason_t reasonsOf(const DeviceState& state) {
    pappl_preason_t reasons = PAPPL_PREASON_NONE;
    if (state.printStatus & 0x01) reasons |= PAPPL_PREASON_COVER_OPEN;
    if (state.printStatus & 0x02) reasons |= PAPPL_PREASON_MEDIA_EMPTY;
    if (state.printStatus & 0x04) reasons |= PAPPL_PREASON_MEDIA_JAM;
    const bool hot = (state.printStatus & 0x08) != 0;
    const bool lowBattery =
        (state.printStatus & 0x40) != 0 || (state.batteryPercent >= 0 && state.batteryPercent < kLowBatteryPercent);
    if (hot || lowBattery) reasons |= PAPPL_PREASON_OTHER;
    return reasons;
}

void askDevice(pappl_printer_t* printer) {
    const char* uri = papplPrinterGetDeviceURI(printer);
    if (uri == nullptr || (std::strncmp(uri, "usb:", 4) != 0 && std::strncmp(uri, "socket:", 7) != 0)) return;
    if (askedRecently(printer)) return;
    pappl_device_t* device = papplPrinterOpenDevice(printer);
    papplLogPrinter(printer, PAPPL_LOGLEVEL_DEBUG, "Asking the printer for its status: %s.",
                    device != nullptr ? "device open" : "device busy");
    if (device == nullptr) return;  // printing: the job has the device
    const Bytes request = deviceStatusRequest();
    Bytes replies;
    if (papplDeviceWrite(device, request.data(), request.size()) >= 0) {
        papplDeviceFlush(device);
        unsigned char buffer[2048];
        for (int reads = 0; reads < 2; ++reads) {
            const ssize_t n = papplDeviceRead(device, buffer, sizeof buffer);
            if (n <= 0) break;
            replies.insert(replies.end(), buffer, buffer + n);
        }
    }
    papplPrinterCloseDevice(printer);
    const DeviceState state = decodeDeviceReplies(replies);
    if (!state.answered) return;
    const pappl_preason_t reasons = reasonsOf(state);
    papplPrinterSetReasons(printer, reasons, kDeviceReasons & ~reasons);
    if (reasons != PAPPL_PREASON_NONE) {
        papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN, "Printer reports status word 0x%04x, battery %d%%.",
                        state.printStatus, state.batteryPercent);
    }
}

// The media the printer consumes (our printers report no level: unknown),
// and what a device model says about itself.
bool updateStatus(pappl_printer_t* printer) {
    const PrinterKind* kind = kindOf(printer);
    if (kind == nullptr) return false;
    if (kind->family == Family::Device) askDevice(printer);
    pappl_supply_t supply{};
    supply.color = PAPPL_SUPPLY_COLOR_NO_COLOR;
    const char* what = kind->family == Family::Receipt  ? "Receipt Paper"
                       : kind->family == Family::Device ? "Paper"
                                                        : "Labels";
    std::strncpy(supply.description, what, sizeof supply.description - 1);
    supply.is_consumed = true;
    supply.level = -1;
    supply.type = PAPPL_SUPPLY_TYPE_OTHER;
    papplPrinterSetSupplies(printer, 1, &supply);
    return true;
}

void identify(pappl_printer_t* printer, pappl_identify_actions_t actions, const char* message) {
    const PrinterKind* kind = kindOf(printer);
    if (kind != nullptr && kind->family == Family::Receipt && (actions & PAPPL_IDENTIFY_ACTIONS_SOUND)) {
        // The beeper sequence of the ESC/POS generator: 1B 42 04 01.
        static const unsigned char beep[] = {0x1B, 0x42, 0x04, 0x01};
        if (pappl_device_t* device = papplPrinterOpenDevice(printer)) {
            papplDeviceWrite(device, beep, sizeof beep);
            papplDeviceFlush(device);
            papplPrinterCloseDevice(printer);
        }
        return;
    }
    papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify-Printer: %s", message != nullptr ? message : "");
}

std::string& testLabelFolder() {
    static std::string folder = "/tmp";
    return folder;
}

// The test label of this printer, written to a file that PAPPL then prints.
const char* testLabelFile(pappl_printer_t* printer, char* buffer, size_t size) {
    const PrinterKind* kind = kindOf(printer);
    if (kind == nullptr) return nullptr;
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(printer, &data);
    TestLabelInfo info;
    info.model = data.make_and_model;
    info.dpi = kind->dpi;
    info.widthHmm = data.media_default.size_width;
    info.lengthHmm = data.media_default.size_length;
    if (kind->darkness.levels() > 0) info.darkness = darknessFromPercent(*kind, data.darkness_configured);
    if (kind->speed.levels() > 0) info.speed = speedFromIpp(*kind, data.speed_default);
    const std::string path = testLabelFolder() + "/testlabel-" + std::to_string(papplPrinterGetID(printer)) + ".pwg";
    if (!writeTestLabel(info, path) || path.size() >= size) return nullptr;
    std::strncpy(buffer, path.c_str(), size - 1);
    buffer[size - 1] = '\0';
    return buffer;
}

}  // namespace

void setTestLabelFolder(const std::string& folder) { testLabelFolder() = folder; }

void installStatusCallbacks(const PrinterKind& kind, pappl_pr_driver_data_t* data) {
    data->status_cb = &updateStatus;
    data->identify_cb = &identify;
    data->testpage_cb = &testLabelFile;
    data->has_supplies = true;
    if (kind.family == Family::Receipt) {
        data->identify_supported = PAPPL_IDENTIFY_ACTIONS_SOUND;
        data->identify_default = PAPPL_IDENTIFY_ACTIONS_SOUND;
    } else {
        data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
        data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    }
}

}  // namespace kvapp
