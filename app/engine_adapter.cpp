// The application's only caller of the generators, the device page job and
// the diagnostic log: it fills the generators' settings record from a job's
// choices, keeps the process-wide generator state per job, and holds one lock
// over all page generation. The job start, page and job end bytes come from
// the languages library's driver table, as in the filter.
#include "app/engine_adapter.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/debug_log.h"
#include "base/dynamic_array.h"
#include "base/log_files.h"
#include "base/seams.h"
#include "base/sysinfo.h"
#include "languages/drivers.h"
#include "languages/generators.h"
#include "languages/job_settings.h"
#include "protocol/command_builders.h"
#include "protocol/host/connection_start.h"
#include "protocol/host/reply_decoder.h"
#include "protocol/protocol_state.h"

#include <cjson/cJSON.h>

namespace kvapp {

// The C library generator as a fresh filter process has it (seeded with 1),
// one per job so that jobs on several printers don't draw from each other.
struct JobRandom {
    random_data data{};
    char state[128]{};
    JobRandom() { initstate_r(1, state, sizeof state, &data); }
};

struct EngineJob::State {
    const PrinterKind* kind = nullptr;
    JobSettings settings{};
    JobRandom random;
    uint8_t threshold = kDefaultImageThreshold;  // as in a fresh process
};

namespace {

std::mutex& engineLock() {
    static std::mutex lock;
    return lock;
}

// The job whose page is being generated (valid while engineLock is held).
JobRandom* gCurrentRandom = nullptr;

int jobRand() {
    int32_t value = 0;
    if (gCurrentRandom != nullptr) random_r(&gCurrentRandom->data, &value);
    return value;
}

void jobSrand(unsigned seed) {
    if (gCurrentRandom != nullptr) srandom_r(seed, &gCurrentRandom->data);
}

// Makes the process-wide state that of this job, under the engine lock.
class JobScope {
public:
    explicit JobScope(EngineJob::State& s) : guard_(engineLock()), state_(s) {
        static const bool installed = (setKvRandom(&jobRand, &jobSrand), true);
        (void)installed;
        gCurrentRandom = &s.random;
        setODMType(kDefaultOdmType);
        setThreshold(s.threshold);
        resetCacheWhenStartConnect();
    }
    ~JobScope() {
        state_.threshold = imgThresholdValue;
        gCurrentRandom = nullptr;
    }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    std::lock_guard<std::mutex> guard_;
    EngineJob::State& state_;
};

Bytes toBytes(DynamicArray* array) {
    DynamicArrayPtr owned(array);
    if (!owned || owned->size <= 0) return {};
    return Bytes(owned->data, owned->data + owned->size);
}

Bytes jobBytes(void (*fill)(DynamicArray*, const JobSettings&), const JobSettings& s) {
    if (fill == nullptr) return {};
    DynamicArrayPtr array(dynamic_array_init(2));
    if (!array) return {};
    fill(array.get(), s);
    return Bytes(array->data, array->data + array->size);
}

JobSettings settingsFor(const PrinterKind& kind, const JobChoices& c) {
    JobSettings s{};
    s.copies = 1;
    s.darkness = static_cast<int16_t>(c.darkness);
    s.printSpeed = static_cast<int16_t>(c.printSpeed);
    s.horizontal = static_cast<int16_t>(c.horizontal);
    s.vertical = static_cast<int16_t>(c.vertical);
    s.mediaTracking = c.mediaTracking;
    s.printMode = static_cast<int16_t>(c.printMode);
    s.colourDarkness = static_cast<int16_t>(c.colourDarkness);
    s.isCompressie = c.compression ? 1 : 0;
    s.resolution = kind.dpi;
    s.maxWidthMM = kind.maxWidthMM;
    s.noCompressie = kDefaultStripLimitRaw;
    s.compressie = kDefaultStripLimitCompressed;
    s.silentPrint = static_cast<int16_t>(c.silentPrint);
    s.positioningMode = static_cast<int16_t>(c.positioningMode);
    s.cashDrawer = c.cashDrawer;
    s.blankSpace = c.blankSpace;
    s.feedDist = c.feedDist;
    s.cutting = c.cutting;
    s.beeper = c.beeper;
    s.colorPrintModel = c.colorPrintModel;
    return s;
}

int32_t truncateMM(double mm) {
    if (!(mm > -2147483649.0 && mm < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(mm);
}

}  // namespace

void setEngineLogDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> guard(engineLock());
    // No folder: no log and no dump at all.
    if (directory.empty()) {
        setLogSink(nullptr);
    } else {
        setDebugLogDirectory(directory.c_str());
    }
}

EngineJob::EngineJob(const PrinterKind& kind, const JobChoices& choices) : state_(std::make_unique<State>()) {
    state_->kind = &kind;
    state_->settings = settingsFor(kind, choices);
}

EngineJob::~EngineJob() = default;

bool EngineJob::alphaFirst() { return std::strcmp(detect_linux_distro(), "Debian") == 0; }

Bytes EngineJob::start() {
    JobScope scope(*state_);
    // Each job starts the diagnostic log and dump afresh, as each filter run does.
    closeDebugLog();
    return jobBytes(driverFor(state_->kind->devType).jobStart, state_->settings);
}

Bytes EngineJob::page(PageImage& p) {
    JobScope scope(*state_);
    JobSettings& s = state_->settings;
    const Driver driver = driverFor(state_->kind->devType);
    s.copies = 1;
    remapPrintMode(driver, s);
    auto width = static_cast<int64_t>(p.width);
    if (driver.cropsToPrintWidth && s.maxWidthMM > 0) {
        subImageLessthenMaxPrintWidthMM(p.pixels.data(), &width, p.height, &s, static_cast<int>(p.channels));
    }
    if (s.resolution != 0) {
        s.widthMM = truncateMM(static_cast<double>(width) * 25.4 / s.resolution);
        s.heightMM = truncateMM(static_cast<double>(p.height) * 25.4 / s.resolution);
    }
    const DriverPage page{p.pixels.data(), width, p.height, static_cast<int>(p.channels)};
    return toBytes(generatePage(driver, page, &s));
}

Bytes EngineJob::end() {
    JobScope scope(*state_);
    return jobBytes(driverFor(state_->kind->devType).jobEnd, state_->settings);
}

Bytes deviceStatusRequest() {
    std::lock_guard<std::mutex> guard(engineLock());
    setODMType(kDefaultOdmType);
    Bytes out;
    for (SendPack pack : {getPrinterInfoStateData(), getPrinterInfoBatteryData()}) {
        if (pack.data != nullptr) out.insert(out.end(), pack.data, pack.data + pack.length);
        freeSendPack(pack.data, pack.length);
    }
    return out;
}

namespace {

// A report value: the decoder writes numbers as text.
bool reportNumber(const cJSON* report, const char* key, double& value) {
    const cJSON* item = cJSON_GetObjectItem(report, key);
    if (cJSON_IsNumber(item)) {
        value = item->valuedouble;
        return true;
    }
    if (!cJSON_IsString(item)) return false;
    char* end = nullptr;
    value = std::strtod(item->valuestring, &end);
    return end != item->valuestring;
}

void readReport(const char* json, DeviceState& state) {
    cJSON* report = cJSON_Parse(json);
    double value = 0;
    if (reportNumber(report, "printStatus", value)) {
        state.answered = true;
        state.printStatus = static_cast<uint32_t>(value);
    }
    if (reportNumber(report, "batteryPercent", value)) state.batteryPercent = static_cast<int>(value);
    cJSON_Delete(report);
}

}  // namespace

DeviceState decodeDeviceReplies(const Bytes& replies) {
    std::lock_guard<std::mutex> guard(engineLock());
    setODMType(kDefaultOdmType);
    HAL_KVDecodeReset();
    DeviceState state;
    for (const uint8_t byte : replies) {
        ReceivePack pack = getJsonString(byte);
        if (pack.result == 1 && pack.json != nullptr) readReport(pack.json, state);
        freeReceivePack(pack);
    }
    HAL_KVDecodeReset();
    return state;
}

}  // namespace kvapp
