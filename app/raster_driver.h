// PAPPL's job callbacks for every printer kind: the raster callbacks that
// assemble each page and send the generator's bytes, and raw pass-through.
#pragma once

#include <pappl/pappl.h>

#include "app/printer_kinds.h"

namespace kvapp {

// Sets the job callbacks of a printer of this kind.
void installRasterCallbacks(const PrinterKind& kind, pappl_pr_driver_data_t* data);

// The kind of a printer (by its driver name), or null.
const PrinterKind* kindOf(pappl_printer_t* printer);

}  // namespace kvapp
