// ESC/POS drawer kick, beeper and cut sequences.
#include "languages/escpos_sequences.h"

namespace {
// ESC p m t1 t2: pulse on drawer pin 2 (m = 0) or pin 5 (m = 1), 25 x 2 ms on, 255 x 2 ms off.
constexpr uint8_t posCashDrawer1[] = {0x1B, 0x70, 0x00, 0x19, 0xFF};
constexpr uint8_t posCashDrawer2[] = {0x1B, 0x70, 0x01, 0x19, 0xFF};
// ESC B n t: beep 4 times, duration parameter 1.
constexpr uint8_t posBeeper[] = {0x1B, 0x42, 0x04, 0x01};
// GS V 66 0: feed to the cutter and cut.
constexpr uint8_t posCutting[] = {0x1D, 0x56, 0x42, 0x00};
}  // namespace

void addPosCashDrawer1(DynamicArray* array) {
    dynamic_array_push_more_data(array, posCashDrawer1, sizeof posCashDrawer1);
}
void addPosCashDrawer2(DynamicArray* array) {
    dynamic_array_push_more_data(array, posCashDrawer2, sizeof posCashDrawer2);
}
void addPosBeeper(DynamicArray* array) { dynamic_array_push_more_data(array, posBeeper, sizeof posBeeper); }
void addPosCutting(DynamicArray* array) { dynamic_array_push_more_data(array, posCutting, sizeof posCutting); }
