// Device print job: one grey page to the complete frame stream of a portable
// device model: print settings (speed or silent mode, darkness), the page
// scaled to the model's canvas as a one-bit image transfer, and a feed.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "languages/device_job.h"

#include "base/debug_log.h"
#include "image/device/model_canvas.h"
#include "languages/device_types.h"
#include "protocol/command_builders.h"
#include "protocol/device/bitmap.h"
#include "protocol/device/image_front_end.h"
#include "protocol/device/transfer_entry_points.h"
#include "protocol/protocol_state.h"

namespace {

using ZoomFunction = uint8_t* (*)(const uint8_t*, uint32_t, uint32_t, uint32_t*, uint32_t*);

struct DeviceModel {
    ZoomFunction zoom;
    uint32_t frameLength;  // largest frame the model accepts (pBuffLength)
    const char* feed;      // feed command text: mode 1 and the model's amount
};

// Indexed by devType.
const DeviceModel kModels[] = {
    {driveBitmapZoomToLM50, 8192, "1,10"},        {driveBitmapZoomToL50, 2048, "1,28"},
    {driveBitmapZoomToL60, 4096, "1,14"},         {driveBitmapZoomToL50B, 8192, "1,28"},
    {driveBitmapZoomToL50C_Tattoo, 4096, "1,36"}, {driveBitmapZoomToL60B, 4096, "1,14"},
    {driveBitmapZoomToL50C_Normal, 4096, "1,28"},
};
constexpr uint32_t kModelCount = sizeof kModels / sizeof kModels[0];

void append(DynamicArray* out, SendPack pack) {
    const SendPackPtr owned(pack);
    if (!owned.empty()) dynamic_array_push_more_data(out, owned.data(), owned.length());
}

// The image mode the job's print mode asks for; the plain modes print with a
// fixed threshold of 222.
uint32_t imageModeFor(const JobSettings* s) {
    if (s->printMode == 9) return 6;
    if (s->printMode == 11) return s->positioningMode != 0 ? kImageModeTattooLine : kImageModeTattoo;
    setThreshold(222);
    return kImageModeThreshold;
}

struct Canvas {
    MallocBytes pixels;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The page on the model's canvas, its width raised to whole bytes with white
// on the right. Nothing when the model refuses the page.
std::optional<Canvas> scalePage(const DeviceModel& model, const uint8_t* page, uint32_t width, uint32_t height) {
    Canvas canvas;
    canvas.pixels.reset(model.zoom(page, width, height, &canvas.width, &canvas.height));
    if (!canvas.pixels || canvas.width == 0 || canvas.height == 0) return std::nullopt;
    writeLogString("zoomW = %ld, zoomH = %ld", static_cast<long>(canvas.width), static_cast<long>(canvas.height));
    if (canvas.width % 8 != 0) {
        const uint32_t wide = (canvas.width + 7) / 8 * 8;
        MallocBytes padded(static_cast<uint8_t*>(std::malloc(size_t{wide} * canvas.height)));
        if (!padded) return std::nullopt;
        std::memset(padded.get(), 255, size_t{wide} * canvas.height);
        for (uint32_t y = 0; y < canvas.height; ++y) {
            std::memcpy(padded.get() + size_t{y} * wide, canvas.pixels.get() + size_t{y} * canvas.width, canvas.width);
        }
        canvas.pixels = std::move(padded);
        canvas.width = wide;
    }
    writeLogString("final - zoomW = %ld, zoomH = %ld", static_cast<long>(canvas.width),
                   static_cast<long>(canvas.height));
    return canvas;
}

// The one-bit page in a zeroed buffer of zoomW x zoomH / 8 bytes, zoomH being
// the height the conversion reports; nothing when the conversion fails. The
// canvas is converted in place (no four-byte copy of it) and freed.
std::optional<MallocBitmap> convertPage(Canvas canvas, uint32_t mode) {
    const uint32_t width = canvas.width;
    const MallocBitmap bits = convertGrayImage(std::move(canvas.pixels), canvas.width, canvas.height, mode);
    if (!bits.bytes) return std::nullopt;
    MallocBitmap page = allocBitmap(width, bits.height);
    if (!page.bytes) return std::nullopt;
    std::memcpy(page.bytes.get(), bits.bytes.get(),
                std::min(bitmapBytes(width, bits.height), bitmapBytes(bits.width, bits.height)));
    return page;
}

// Speed (or silent mode for the tattoo model) and darkness, as the page's
// first commands.
void appendSettings(DynamicArray* out, const JobSettings* s, uint32_t type) {
    if (type == kDeviceL50CTattoo) {
        append(out, setPrinterPrintSilentModelData(static_cast<uint8_t>(s->silentPrint)));
    } else if (s->printSpeed != 0) {
        append(out, setPrinterPrintSpeedData(static_cast<uint8_t>(s->printSpeed)));
    }
    char density[32];
    std::snprintf(density, sizeof density, "%ld,8", static_cast<long>(s->darkness));
    append(out, setPrinterPrintDarknessData(density));
    writeLogString("speed = %ld, density = %s", static_cast<long>(s->printSpeed), density);
}

// Scales, converts and frames the page image; false when there is no image.
bool appendImage(DynamicArray* out, const DeviceModel& model, const uint8_t* page, uint32_t width, uint32_t height,
                 const JobSettings* s) {
    std::optional<Canvas> canvas = scalePage(model, page, width, height);
    if (!canvas) {
        writeLogString("page %" PRIu32 " x %" PRIu32 " does not fit the model's canvas, not printed", width, height);
        return false;
    }
    const std::optional<MallocBitmap> bits = convertPage(std::move(*canvas), imageModeFor(s));
    if (!bits) {
        writeLogString("page image conversion gave no dots, not printed");
        return false;
    }
    const SendPackPtr transfer(driveGetPrintDataFromHex(bits->bytes.get(), bits->width, bits->height));
    if (transfer.empty()) {
        writeLogString("page image transfer is empty, not printed");
        return false;
    }
    dynamic_array_push_more_data(out, transfer.data(), transfer.length());
    writeDebugData(transfer.data(), transfer.length());
    return true;
}

}  // namespace

DynamicArray* getKVProtocolPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings,
                                     uint32_t devType) {
    DynamicArrayPtr out(dynamic_array_init(2));
    if (!out || settings == nullptr) return out.release();
    if (devType >= kModelCount) {
        writeLogString("devType %" PRIu32 " is no device model, page not printed", devType);
        return out.release();
    }
    const DeviceModel& model = kModels[devType];
    setMaxDataLengthOnePackage(model.frameLength);
    appendSettings(out.get(), settings, devType);
    writeLogString("w = %ld, h = %ld", static_cast<long>(width), static_cast<long>(height));
    const bool sizeOk = page != nullptr && width > 0 && width <= INT32_MAX && height > 0 && height <= INT32_MAX;
    if (!sizeOk ||
        !appendImage(out.get(), model, page, static_cast<uint32_t>(width), static_cast<uint32_t>(height), settings)) {
        out->size = 0;  // no bytes for this page; the job goes on
        return out.release();
    }
    append(out.get(), setPrinterPrintFeedData(model.feed));
    writeLogString("array.size = %d,array.capacity = %d", out->size, out->capacity);
    return out.release();
}
