// The device-type numbers of the PPDs (KVAttr PrinterModel, or the device half
// of ExtensionAttr PrinterSize): the portable device models below 160, the
// printer command languages from 161 up.
#pragma once

#include <cstdint>

#include "protocol/printer_families.h"  // the device models' printer families

enum DeviceType : int32_t {
    kDeviceLM50 = 0,
    kDeviceL50 = 1,
    kDeviceL60 = 2,
    kDeviceL50B = 3,
    kDeviceL50CTattoo = 4,
    kDeviceL60B = 5,
    kDeviceL50CNormal = 6,
    kFirstLanguageType = 160,  // no device model from here on (160 itself has no generator)
    kLanguageTspl = 161,
    kLanguageZpl = 162,
    kLanguageCpcl = 163,
    kLanguageEscPos = 164,
    kLanguageSfZpl = 191,
    kFirstRgbaType = 192,  // the two-colour languages take RGBA pages (192 itself has no generator)
    kLanguageTwoColourTspl = 193,
};

// The device type a fresh filter process starts with, before the PPD names one.
inline constexpr int32_t kDefaultDeviceType = kDeviceL50;
