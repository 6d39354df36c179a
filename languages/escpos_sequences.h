// Fixed ESC/POS sequences for the cash drawers, the beeper and the cutter,
// shared by the per-page generator and the job start/end framing.
#pragma once

#include "base/dynamic_array.h"

void addPosCashDrawer1(DynamicArray* array);  // 1B 70 00 19 FF
void addPosCashDrawer2(DynamicArray* array);  // 1B 70 01 19 FF
void addPosBeeper(DynamicArray* array);       // 1B 42 04 01
void addPosCutting(DynamicArray* array);      // 1D 56 42 00
