// PAPPL's job callbacks for every printer kind: the raster callbacks that
// assemble each page and send the generator's bytes, and raw pass-through.
#pragma once

#include <pappl/pappl.h>

#include "app/printer_kinds.h"

namespace kvapp {

// Sets the job callbacks of a printer of this kind.
void installRasterCallbacks(const PrinterKind& kind, pappl_pr_driver_data_t* data);

// The MIME type of a document sent as application/octet-stream when it is
// in one of our printer languages (PAPPL's MIME detection callback).
const char* rawFormatOf(const unsigned char* header, size_t size, void* data);

// The kind of a printer (by its driver name), or null.
const PrinterKind* kindOf(pappl_printer_t* printer);

}  // namespace kvapp
