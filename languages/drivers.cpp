// The driver table: one entry per device type, and the entries that types
// without a generator fall back on.
#include "languages/drivers.h"

#include "languages/device_job.h"
#include "languages/device_types.h"
#include "languages/generators.h"
#include "protocol/command_builders.h"

namespace {

// Print mode 5 ("the mode that suits the printer"): the text dither for the
// languages, the device image modes for the device models.
constexpr int16_t kLanguageModeFive = 6;
constexpr int16_t kDeviceModeFive = 9;
constexpr int16_t kTattooModeFive = 11;

DynamicArray* devicePage(const Driver& d, const DriverPage& p, const JobSettings* s) {
    return getKVProtocolPrintData(p.pixels, p.width, p.height, s, static_cast<uint32_t>(d.devType));
}
DynamicArray* tsplPage(const Driver&, const DriverPage& p, const JobSettings* s) {
    return getTSPLPrintData(p.pixels, p.width, p.height, s);
}
DynamicArray* zplPage(const Driver&, const DriverPage& p, const JobSettings* s) {
    return getZPLPrintData(p.pixels, p.width, p.height, s);
}
DynamicArray* cpclPage(const Driver&, const DriverPage& p, const JobSettings* s) {
    return getCPCLPrintData(p.pixels, p.width, p.height, s);
}
DynamicArray* escposPage(const Driver&, const DriverPage& p, const JobSettings* s) {
    return getESCPrintData(p.pixels, p.width, p.height, s);
}
DynamicArray* sfZplPage(const Driver&, const DriverPage& p, const JobSettings* s) {
    return getSFZPLPrintData(p.pixels, p.width, p.height, s);
}
// Grey and RGB pages are split by the same colour rules as RGBA.
DynamicArray* twoColourPage(const Driver&, const DriverPage& p, const JobSettings* s) {
    return getTSPLTwoColorPrintData(p.pixels, p.width * p.channels, p.width, p.height, s, p.channels);
}

constexpr Driver device(int32_t type, int16_t modeFive = kDeviceModeFive) {
    return {type, devicePage, nullptr, nullptr, modeFive, PageColours::Grey, false, true};
}
constexpr Driver language(int32_t type, DynamicArray* (*page)(const Driver&, const DriverPage&, const JobSettings*),
                          PageColours colours = PageColours::Grey) {
    return {type, page, nullptr, nullptr, kLanguageModeFive, colours, true, false};
}

const Driver kDrivers[] = {
    device(kDeviceLM50),
    device(kDeviceL50),
    device(kDeviceL60),
    device(kDeviceL50B),
    device(kDeviceL50CTattoo, kTattooModeFive),
    device(kDeviceL60B),
    device(kDeviceL50CNormal),
    language(kLanguageTspl, tsplPage),
    language(kLanguageZpl, zplPage),
    language(kLanguageCpcl, cpclPage),
    {kLanguageEscPos, escposPage, escposJobStart, escposJobEnd, kLanguageModeFive, PageColours::Grey, true, false},
    language(kLanguageSfZpl, sfZplPage),
    language(kLanguageTwoColourTspl, twoColourPage, PageColours::Rgba),
};

}  // namespace

Driver driverFor(int32_t devType) {
    for (const Driver& d : kDrivers) {
        if (d.devType == devType) return d;
    }
    // Any other number below 160 goes to the device job, which refuses it.
    const auto type = static_cast<uint32_t>(devType);
    if (type < static_cast<uint32_t>(kFirstLanguageType)) return device(devType);
    // No generator: nothing is printed, but the page is read, logged and
    // cropped as for the languages of its range.
    Driver none = language(devType, nullptr);
    if (type >= static_cast<uint32_t>(kFirstRgbaType)) none.colours = PageColours::Rgba;
    none.cropsToPrintWidth = type > static_cast<uint32_t>(kFirstLanguageType);
    return none;
}

void setPrinterFamily(uint8_t odmType) { setODMType(odmType); }

void remapPrintMode(const Driver& driver, JobSettings& settings) {
    if (settings.printMode == 5) settings.printMode = driver.printModeFive;
}

DynamicArray* generatePage(const Driver& driver, const DriverPage& page, const JobSettings* settings) {
    return driver.page != nullptr ? driver.page(driver, page, settings) : nullptr;
}
