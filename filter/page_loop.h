// The page loop: reads CUPS raster pages one at a time, hands each to the
// generator of the device type and writes its bytes to standard output.
#pragma once

#include <cups/cups.h>

#include "filter/job_settings.h"

// Runs the whole job on an open CUPS input file. Returns 0.
int print_bitmap(JobSettings* settings, cups_file_t* input);
// ESC/POS job start (initialise, beeper, drawer kicks) and the ODM hand-over.
void setupJobStart(JobSettings* settings);
// ESC/POS job end (drawer kicks, cut, beeper, initialise).
void setupJobEnd(JobSettings* settings);
