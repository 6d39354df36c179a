// Printer status and identification: the supplies a printer of each kind
// has (their levels are not reported, so they stay unknown), and the
// identify action (the ESC/POS beeper; a logged message elsewhere).
#pragma once

#include <pappl/pappl.h>

#include "app/printer_kinds.h"

namespace kvapp {

void installStatusCallbacks(const PrinterKind& kind, pappl_pr_driver_data_t* data);

}  // namespace kvapp
