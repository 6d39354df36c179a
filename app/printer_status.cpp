// Status, identify and test page callbacks.
#include "app/printer_status.h"

#include <cstring>

#include "app/raster_driver.h"
#include "app/test_label.h"

namespace kvapp {
namespace {

// The media the printer consumes. Our printers report no level: unknown.
bool updateStatus(pappl_printer_t* printer) {
    const PrinterKind* kind = kindOf(printer);
    if (kind == nullptr) return false;
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
