// Page loop: raster pages in, printer bytes out, one generator per device type.
// Pages are read only up to the printer's largest media (page_reader), every
// write to standard output is checked, and a cancelled job ends between pages
// with its job end sequence.
#include "filter/page_loop.h"

#include <cups/raster.h>
#include <malloc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/debug_log.h"
#include "base/dynamic_array.h"
#include "filter/job_cancel.h"
#include "filter/settings_reader.h"
#include "languages/drivers.h"
#include "languages/generators.h"

namespace {

// The error of the write to standard output that failed.
int g_outputError = 0;

// Writes the array to standard output; false when the write fails.
bool writeArray(const DynamicArray* array) {
    if (array == nullptr || array->size <= 0) return true;
    const auto size = static_cast<size_t>(array->size);
    if (std::fwrite(array->data, 1, size, stdout) == size) return true;
    g_outputError = errno;
    return false;
}

bool flushOutput() {
    if (std::fflush(stdout) == 0) return true;
    g_outputError = errno;
    return false;
}

void reportOutputFailure() {
    const int error = g_outputError;
    std::fprintf(stderr, "ERROR: Unable to write print data: %s\n", std::strerror(error));
    writeLogString("write to standard output failed: %s", std::strerror(error));
}

void logColorSpace(uint32_t space) {
    const int value = static_cast<int>(space);
    switch (space) {
        case CUPS_CSPACE_W: writeLogString("colorSpace = %d,CUPS_CSPACE_W", value); break;
        case CUPS_CSPACE_RGB: writeLogString("colorSpace = %d,CUPS_CSPACE_RGB", value); break;
        case CUPS_CSPACE_RGBA: writeLogString("colorSpace = %d,CUPS_CSPACE_RGBA", value); break;
        default: writeLogString("colorSpace = %d", value); break;
    }
}

// Truncation toward zero to 32 bits. A size beyond the range (a tiny or
// negative PPD resolution on a huge page) gives INT32_MIN, the value the
// processor's own conversion yields, instead of undefined behaviour.
int32_t truncateMM(double mm) {
    if (!(mm > -2147483649.0 && mm < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(mm);
}

// Label size in millimetres. Without a resolution the size is unknown: 0.
void setLabelSize(JobSettings* s, int64_t width, uint64_t height) {
    if (s->resolution == 0) {
        s->widthMM = 0;
        s->heightMM = 0;
        return;
    }
    s->widthMM = truncateMM(static_cast<double>(width) * 25.4 / s->resolution);
    s->heightMM = truncateMM(static_cast<double>(height) * 25.4 / s->resolution);
}

DynamicArray* generate(const Driver& driver, Page& page, JobSettings* s) {
    const bool wantsRgba = driver.colours == PageColours::Rgba;
    if (wantsRgba && page.space != CUPS_CSPACE_RGBA) writeLogString("不是RGBA图片？ PPD被篡改？");
    if (!wantsRgba && page.space != CUPS_CSPACE_W) writeLogString("不是灰度图片？ PPD被篡改？");
    const DriverPage image{page.buffer.data(), page.width, page.height, static_cast<int>(page.channels)};
    return generatePage(driver, image, s);
}

// Generates the page and writes it out; false when standard output fails.
bool processPage(const Driver& driver, const cups_page_header2_t& header, Page& page, JobSettings* s, int pageNumber) {
    writeLogString("maxWidth_mm = %d", s->maxWidthMM);
    writeLogString("2、bytesPerLine = %d,header.cupsHeight = %d", static_cast<int>(page.stride),
                   static_cast<int>(header.cupsHeight));
    s->copies = 1;
    remapPrintMode(driver, *s);
    page.width = static_cast<int64_t>(page.stride / page.channels);
    page.height = header.cupsHeight;
    writeLogString("3、Width = %ld,height = %ld", static_cast<long>(page.width), static_cast<long>(page.height));
    if (driver.cropsToPrintWidth && s->maxWidthMM > 0) {
        subImageLessthenMaxPrintWidthMM(page.buffer.data(), &page.width, page.height, s,
                                        static_cast<int>(page.channels));
    }
    writeLogString("4、Width = %ld,height = %ld", static_cast<long>(page.width), static_cast<long>(page.height));
    setLabelSize(s, page.width, page.height);
    DynamicArrayPtr out(generate(driver, page, s));
    if (driver.deviceModel && (!out || out->size == 0)) {
        std::fprintf(stderr, "WARNING: Page %d (%ld x %lu dots) can't be printed on this printer model, skipped\n",
                     pageNumber, static_cast<long>(page.width), static_cast<unsigned long>(page.height));
    }
    return writeArray(out.get()) && flushOutput();
}

// Memory a page frees (its one-bit page, its output) stays with the process for
// the next page. glibc hands blocks beyond its mmap threshold back to the
// system when they are freed and trims the heap's free top, so each page would
// take them anew with page faults; its threshold only rises on its own when a
// large block is freed, which the page buffer, kept for the whole job, never
// is. Pages larger than 32 MB still get their own mappings.
void keepFreedMemoryForNextPage() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

// What became of the page loop.
struct LoopEnd {
    bool outputFailed = false;  // standard output failed: nothing more can be sent
    bool pageRefused = false;   // a page was too large or found no memory
};

// Reads, generates and writes pages until the stream ends, a page fails or
// the job is cancelled (checked before each page and before printing a page).
// One page buffer serves the whole job.
LoopEnd runPages(const RasterInput& input, JobSettings* settings) {
    const Driver driver = driverFor(devType);
    LoopEnd end;
    cups_raster_t* ras = input.stream();
    cups_page_header2_t header;
    Page page;
    int pageNumber = 0;
    while (!jobCancelled() && cupsRasterReadHeader2(ras, &header) && !jobCancelled()) {
        if (header.cupsHeight == 0 || header.cupsBytesPerLine == 0) break;
        ++pageNumber;
        std::fprintf(stderr, "PAGE: %d %d\n", pageNumber, header.NumCopies);
        logColorSpace(colorSpaceOf(header));
        writeLogString("1、header.cupsWidth = %d, header.cupsBytesPerLine = %d,header.cupsHeight = %d",
                       header.cupsWidth, header.cupsBytesPerLine, header.cupsHeight);
        const ReadResult read = readPage(input, header, settings, page);
        if (read != ReadResult::Read) {
            std::fputs(read == ReadResult::TooLarge ? "ERROR: Page is larger than the printer's largest media\n"
                                                    : "ERROR: Unable to allocate memory\n",
                       stderr);
            end.pageRefused = true;
            break;
        }
        if (jobCancelled()) break;
        if (!processPage(driver, header, page, settings, pageNumber)) {
            end.outputFailed = true;
            break;
        }
    }
    return end;
}

}  // namespace

bool setupJobStart(JobSettings* settings) {
    const Driver driver = driverFor(devType);
    bool written = true;
    if (driver.jobStart != nullptr) {
        DynamicArrayPtr array(dynamic_array_init(2));
        if (array) {
            driver.jobStart(array.get(), *settings);
            written = writeArray(array.get());
        }
    }
    setPrinterFamily(odmType);
    return written;
}

bool setupJobEnd(JobSettings* settings) {
    const Driver driver = driverFor(devType);
    if (driver.jobEnd == nullptr) return true;
    DynamicArrayPtr array(dynamic_array_init(2));
    if (!array) return true;
    driver.jobEnd(array.get(), *settings);
    return writeArray(array.get());
}

int print_bitmap(JobSettings* settings, cups_file_t* input) {
    keepFreedMemoryForNextPage();
    const RasterInput raster(cupsFileNumber(input));
    LoopEnd end;
    end.outputFailed = !setupJobStart(settings);
    if (!end.outputFailed && raster.stream() != nullptr) end = runPages(raster, settings);
    if (jobCancelled()) writeLogString("job cancelled: no further pages, job end written");
    if (!end.outputFailed) end.outputFailed = !setupJobEnd(settings) || !flushOutput();
    if (end.outputFailed) reportOutputFailure();
    return end.outputFailed || end.pageRefused ? 1 : 0;
}
