// The page loop: reads CUPS raster pages one at a time, hands each to the
// generator of the device type and writes its bytes to standard output.
#pragma once

#include <cups/cups.h>

#include "filter/page_reader.h"
#include "languages/job_settings.h"

// Runs the whole job on an open CUPS input file. Returns 0 when every page was
// sent (or the job was cancelled between pages), 1 after an "ERROR:" line on
// standard error: a page larger than the printer's media or without memory
// (the job end sequence is still sent), or a failed write to standard output.
int print_bitmap(JobSettings* settings, cups_file_t* input);
// ESC/POS job start (initialise, beeper, drawer kicks) and the ODM hand-over.
// False when standard output refuses the bytes.
bool setupJobStart(JobSettings* settings);
// ESC/POS job end (drawer kicks, cut, beeper, initialise). False when standard
// output refuses the bytes.
bool setupJobEnd(JobSettings* settings);
