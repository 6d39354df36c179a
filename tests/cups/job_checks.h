// Checks shared by the cupsfilter and scheduler tests: is a printer byte
// stream well-formed for its kind, and does its page geometry match the page
// size and resolution of the job.
#pragma once

#include <string>

#include "tests/cups/printer_kinds.h"

namespace kvcups {

// True when the kind's generator is still a stand-in: a PPD that prints, yet
// no page in the output.
bool isStandInOutput(const PrinterKind& kind, const std::string& bytes);

// Records a test failure for every way the job differs from one well-formed
// page of the kind on the given page size (points); expectInk asks for printed
// dots on the page (and in both colours for the two-colour printer).
void expectOnePage(const PrinterKind& kind, const PrintedJob& job, double widthPt, double heightPt, bool expectInk);

// The value the parsed job holds for a key, looked up in the first page's
// settings, then among the job-level facts; "<absent>" when neither has it.
std::string valueOf(const PrintedJob& job, const std::string& key);

}  // namespace kvcups
