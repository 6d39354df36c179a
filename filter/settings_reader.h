// The filter's reading of the job settings: the command line, the PPD named by
// the environment variable PPD and the CUPS job options, plus the two
// process-wide numbers that the PPD sets: the output language or device model
// and the device protocol's model family.
#pragma once

#include <cstdint>

#include <cups/cups.h>

#include "languages/job_settings.h"

// Output language or device model (see the PPD's PrinterModel); initial value 1.
extern int32_t devType;
// Device protocol model family; initial value kDefaultOdmType (28).
extern uint8_t odmType;

// Fills the zeroed record from argv (at least six entries), the PPD and the options.
void set_pstops_options(JobSettings* settings, char** argv, int numOptions, cups_option_t* options);
// Reads the PPD named by the environment variable PPD into the record, devType and odmType.
void set_pstops_with_ppd(JobSettings* settings);
