// Raster jobs: PAPPL hands the lines of each page; the page is assembled in
// the generators' layout, turned into printer bytes as a whole and written
// in one piece, so a cancelled job never leaves half a command behind.
// Every write goes through the job's JobOutput (one job at a time per
// printer), never straight to the device PAPPL hands the callbacks.
#include "app/raster_driver.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "app/engine_adapter.h"
#include "app/job_choices.h"
#include "app/job_output.h"
#include "app/page_image.h"

namespace kvapp {
namespace {

// The largest page the application holds (the filter's limit).
constexpr uint64_t kMaxPageBytes = 1ull << 30;

// A run of a job that prints nothing (a second run of the job) has no
// output and no engine: its page callbacks accept and drop everything.
struct RasterJob {
    std::unique_ptr<JobOutput> output;  // first, so destroyed last: the turn outlives the job's end
    const PrinterKind* kind = nullptr;
    std::unique_ptr<EngineJob> engine;
    PageAssembler assembler;
    bool pageOk = false;
};

RasterJob* rasterJob(pappl_job_t* job) { return static_cast<RasterJob*>(papplJobGetData(job)); }

bool writeBytes(pappl_job_t* job, pappl_device_t* device, const Bytes& bytes) {
    if (bytes.empty()) return true;
    if (papplDeviceWrite(device, bytes.data(), bytes.size()) < 0) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Unable to send %u bytes to the printer.",
                    static_cast<unsigned>(bytes.size()));
        return false;
    }
    return true;
}

// The printer's compression setting (a printer default, not a job choice).
bool compressionOf(pappl_printer_t* printer) {
    ipp_t* attrs = papplPrinterGetDriverAttributes(printer);
    ipp_attribute_t* attr = ippFindAttribute(attrs, "kovali-compression-default", IPP_TAG_KEYWORD);
    const bool on = attr != nullptr && std::strcmp(ippGetString(attr, 0, nullptr), "on") == 0;
    ippDelete(attrs);
    return on;
}

// A job that ends well says so in job-state-reasons (PAPPL leaves the
// attribute out of a completed job that has no reason at all).
void markCompleted(pappl_job_t* job, bool ok) {
    if (ok && !papplJobIsCanceled(job)) {
        papplJobSetReasons(job, PAPPL_JREASON_JOB_COMPLETED_SUCCESSFULLY, PAPPL_JREASON_NONE);
    }
}

bool startJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    const PrinterKind* kind = kindOf(printer);
    if (kind == nullptr) return false;
    auto data = std::make_unique<RasterJob>();
    bool opened = true;
    data->output = JobOutput::claim(job, device, opened);
    if (!opened) return false;
    if (!data->output) {
        papplJobSetData(job, data.release());  // a second run: nothing to print
        return true;
    }
    data->kind = kind;
    const JobChoices choices = jobChoices(*kind, *options, compressionOf(printer));
    papplLogJob(job, PAPPL_LOGLEVEL_DEBUG, "darkness %d, speed %d, mode %d, tracking %d, offsets %d/%d",
                choices.darkness, choices.printSpeed, choices.printMode, choices.mediaTracking, choices.horizontal,
                choices.vertical);
    data->engine = std::make_unique<EngineJob>(*kind, choices);
    if (!writeBytes(job, data->output->device(), data->engine->start())) return false;
    papplJobSetData(job, data.release());
    return true;
}

bool startPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* /*device*/, unsigned /*page*/) {
    RasterJob* r = rasterJob(job);
    if (r == nullptr) return false;
    if (!r->engine) return true;
    const cups_page_header2_t& h = options->header;
    const uint32_t channels = h.cupsBitsPerPixel / 8;
    if (h.cupsBitsPerColor != 8 || (channels != 1 && channels != 3)) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Unsupported raster: %u bits per pixel.", h.cupsBitsPerPixel);
        return false;
    }
    const bool rgba = r->kind->family == Family::TwoColour;
    r->pageOk = r->assembler.begin(h.cupsWidth, h.cupsHeight, channels, rgba, EngineJob::alphaFirst(), kMaxPageBytes);
    if (!r->pageOk)
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Page of %ux%u dots is too large.", h.cupsWidth, h.cupsHeight);
    return r->pageOk;
}

bool writeLine(pappl_job_t* job, pappl_pr_options_t* /*options*/, pappl_device_t* /*device*/, unsigned y,
               const unsigned char* line) {
    RasterJob* r = rasterJob(job);
    if (r != nullptr && !r->engine) return true;
    if (r == nullptr || !r->pageOk) return false;
    r->assembler.addLine(y, line);
    return true;
}

bool endPage(pappl_job_t* job, pappl_pr_options_t* /*options*/, pappl_device_t* /*device*/, unsigned /*page*/) {
    RasterJob* r = rasterJob(job);
    if (r != nullptr && !r->engine) return true;
    if (r == nullptr || !r->pageOk) return false;
    r->pageOk = false;
    // A page cut short by a cancel is not printed at all.
    if (papplJobIsCanceled(job)) return true;
    const Bytes bytes = r->engine->page(r->assembler.page());
    r->assembler.page().pixels = {};
    return writeBytes(job, r->output->device(), bytes);
}

bool endJob(pappl_job_t* job, pappl_pr_options_t* /*options*/, pappl_device_t* /*device*/) {
    std::unique_ptr<RasterJob> r(rasterJob(job));
    papplJobSetData(job, nullptr);
    if (!r) return false;
    if (!r->engine) return true;
    pappl_device_t* device = r->output->device();
    const bool ok = writeBytes(job, device, r->engine->end());
    papplDeviceFlush(device);
    markCompleted(job, ok);
    return ok;
}

// A printer-ready file goes to the printer unchanged.
bool printRaw(pappl_job_t* job, pappl_pr_options_t* /*options*/, pappl_device_t* papplDevice) {
    bool opened = true;
    const std::unique_ptr<JobOutput> output = JobOutput::claim(job, papplDevice, opened);
    if (!output) return opened;  // a second run prints nothing
    const int fd = open(papplJobGetFilename(job), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    pappl_device_t* device = output->device();
    papplJobSetImpressions(job, 1);
    char buffer[65536];
    ssize_t n = 0;
    bool ok = true;
    while (ok && (n = read(fd, buffer, sizeof buffer)) > 0) {
        ok = papplDeviceWrite(device, buffer, static_cast<size_t>(n)) >= 0;
    }
    close(fd);
    papplDeviceFlush(device);
    if (ok && n == 0) papplJobSetImpressionsCompleted(job, 1);
    markCompleted(job, ok && n == 0);
    return ok && n == 0;
}

bool startsWith(const unsigned char* data, size_t size, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return size >= n && std::memcmp(data, prefix, n) == 0;
}

}  // namespace

const char* rawFormatOf(const unsigned char* header, size_t size, void* /*data*/) {
    size_t at = 0;
    while (at < size && (header[at] == '\r' || header[at] == '\n' || header[at] == ' ')) ++at;
    const unsigned char* p = header + at;
    const size_t n = size - at;
    if (startsWith(p, n, "^XA") || startsWith(p, n, "~")) return "application/vnd.kovali-zpl";
    for (const char* tspl : {"SIZE ", "GAP ", "BLINE ", "CLS", "SPEED ", "DENSITY "}) {
        if (startsWith(p, n, tspl)) return "application/vnd.kovali-tspl";
    }
    if (startsWith(p, n, "! ")) return "application/vnd.kovali-cpcl";
    if (startsWith(header, size, "\x1b@") || startsWith(header, size, "\x1dv0")) return "application/vnd.kovali-escpos";
    if (startsWith(header, size, "\xa3\x1e")) return "application/vnd.kovali-device";
    return nullptr;
}

const PrinterKind* kindOf(pappl_printer_t* printer) {
    const char* driver = printer != nullptr ? papplPrinterGetDriverName(printer) : nullptr;
    return driver != nullptr ? findKind(driver) : nullptr;
}

void installRasterCallbacks(const PrinterKind& /*kind*/, pappl_pr_driver_data_t* data) {
    data->printfile_cb = &printRaw;
    data->rstartjob_cb = &startJob;
    data->rstartpage_cb = &startPage;
    data->rwriteline_cb = &writeLine;
    data->rendpage_cb = &endPage;
    data->rendjob_cb = &endJob;
}

}  // namespace kvapp
