// The one door from the application to the printer-language generators and
// the device protocol: job start, page and job end bytes for a printer kind.
// Everything the generators keep process-wide (device type, model family,
// protocol state, image threshold, random generator, diagnostic log) is set
// here per job, and page generation is serialised across all printers.
// (The generators take the device type as an argument; the filter's devType
// and odmType globals belong to its PPD reader, which the application does
// not link: the model family goes to the protocol layer with setODMType.)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/job_choices.h"
#include "app/page_image.h"
#include "app/printer_kinds.h"

namespace kvapp {

using Bytes = std::vector<uint8_t>;

// Points the generators' diagnostic log and send-data dump at a folder of
// the application's own (nothing is written before this is called with a
// folder; an empty string keeps them off).
void setEngineLogDirectory(const std::string& directory);

// Per-job generator state. Create one per job, feed it the pages in order.
class EngineJob {
public:
    EngineJob(const PrinterKind& kind, const JobChoices& choices);
    ~EngineJob();
    EngineJob(const EngineJob&) = delete;
    EngineJob& operator=(const EngineJob&) = delete;

    Bytes start();                // job start sequence (ESC/POS), model family hand-over
    Bytes page(PageImage& page);  // the page's complete printer bytes (may crop the page)
    Bytes end();                  // job end sequence (ESC/POS)
    // True when the generator wants RGBA pages with the alpha byte first.
    static bool alphaFirst();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// What a device model answers about itself.
struct DeviceState {
    bool answered = false;     // a status reply came
    uint32_t printStatus = 0;  // status word bits: 0 cover open, 1 paper out, 2 jam, 3 overheated, 6 low voltage
    int batteryPercent = -1;   // -1 when not reported
};
// The frames that ask a device model for its status word and battery.
Bytes deviceStatusRequest();
// The printer's reply bytes decoded by the reply decoder.
DeviceState decodeDeviceReplies(const Bytes& replies);

}  // namespace kvapp
