// PAPPL driver set-up: the driver list, the driver callback that describes a
// printer kind to PAPPL (media, resolution, darkness, speed, vendor options)
// and the auto-add callback that matches a printer by its device ID.
#pragma once

#include <pappl/pappl.h>

#include <vector>

namespace kvapp {

// One PAPPL driver per printer kind (static storage).
std::vector<pappl_pr_driver_t>& driverList();

bool driverCallback(pappl_system_t* system, const char* driverName, const char* deviceUri, const char* deviceId,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void* context);

const char* autoAddCallback(const char* deviceInfo, const char* deviceUri, const char* deviceId, void* context);

}  // namespace kvapp
