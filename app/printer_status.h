// Printer status, identification and the test label: the supplies a printer
// of each kind has (their levels are not reported, so they stay unknown),
// the identify action (the ESC/POS beeper; a logged message elsewhere), and
// the test label the web page's "Print Test Page" queues.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "app/printer_kinds.h"

namespace kvapp {

void installStatusCallbacks(const PrinterKind& kind, pappl_pr_driver_data_t* data);

// Where test label files are written (the spool folder).
void setTestLabelFolder(const std::string& folder);

}  // namespace kvapp
