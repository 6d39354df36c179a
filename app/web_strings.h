// English names of the vendor options and their values for the web pages.
#pragma once

#include <pappl/pappl.h>

namespace kvapp {

void addWebStrings(pappl_system_t* system);

}  // namespace kvapp
