// Names of the vendor options and their values, as the web interface shows
// them on the printing defaults page.
#include "app/web_strings.h"

namespace kvapp {
namespace {

constexpr const char* kEnglish = R"STRINGS("kovali-print-mode" = "Print Mode";
"kovali-print-mode.by-content" = "By Content Type";
"kovali-print-mode.threshold" = "Threshold (Dark Text)";
"kovali-print-mode.threshold-light" = "Threshold (Light Text)";
"kovali-print-mode.dither-8x8" = "Ordered Dither 8x8";
"kovali-print-mode.clustered-dot" = "Clustered Dot Halftone";
"kovali-print-mode.dither-16x16" = "Ordered Dither 16x16";
"kovali-print-mode.automatic" = "Automatic";
"kovali-print-mode.text" = "Text";
"kovali-print-mode.photo" = "Photo";
"kovali-print-mode.text-and-photo" = "Text and Photo";
"kovali-print-mode.photo-dithered" = "Photo (Dithered)";
"kovali-print-mode.tattoo-stencil" = "Tattoo Stencil";
"kovali-compression" = "Compressed Bitmaps";
"kovali-compression.off" = "Off";
"kovali-compression.on" = "On";
"kovali-cutter" = "Cutter";
"kovali-cutter.never" = "Never";
"kovali-cutter.after-page" = "After Every Page";
"kovali-cutter.job-end" = "At the End of the Job";
"kovali-beeper" = "Beeper";
"kovali-beeper.off" = "Off";
"kovali-beeper.after-page" = "After Every Page";
"kovali-beeper.before-page" = "Before Every Page";
"kovali-beeper.job-end" = "At the End of the Job";
"kovali-beeper.job-start" = "At the Start of the Job";
"kovali-cash-drawer" = "Cash Drawer";
"kovali-cash-drawer.none" = "Do Not Open";
"kovali-cash-drawer.drawer1-start" = "Open Drawer 1 Before Printing";
"kovali-cash-drawer.drawer2-start" = "Open Drawer 2 Before Printing";
"kovali-cash-drawer.both-start" = "Open Drawers 1 and 2 Before Printing";
"kovali-cash-drawer.drawer1-end" = "Open Drawer 1 After Printing";
"kovali-cash-drawer.drawer2-end" = "Open Drawer 2 After Printing";
"kovali-cash-drawer.both-end" = "Open Drawers 1 and 2 After Printing";
"kovali-feed" = "Feed After Page (3 mm Steps)";
"kovali-black-rows" = "Solid Black Rows";
"kovali-black-rows.print" = "Print";
"kovali-black-rows.remove" = "Remove";
"kovali-colours" = "Colours";
"kovali-colours.black-and-red" = "Black and Red";
"kovali-colours.black-only" = "Black Only";
"kovali-colours.red-only" = "Red Only";
"kovali-colours.all-black" = "Everything in Black";
"kovali-red-darkness" = "Red Darkness";
"kovali-positioning-line" = "Tattoo Stencil Positioning Line";
"kovali-positioning-line.off" = "Off";
"kovali-positioning-line.on" = "On";
"kovali-silent-print" = "Silent Printing";
"kovali-silent-print.off" = "Off";
"kovali-silent-print.on" = "On";
)STRINGS";

}  // namespace

void addWebStrings(pappl_system_t* system) { papplSystemAddStringsData(system, "/en.strings", "en", kEnglish); }

}  // namespace kvapp
