// The TSPL label set-up block shared by the single- and two-colour TSPL
// generators: SIZE, GAP/BLINE, SPEED, DENSITY and the fixed lines up to CLS.
#pragma once

#include "base/dynamic_array.h"
#include "languages/job_settings.h"

void appendTsplSetup(DynamicArray* out, const JobSettings* settings);
