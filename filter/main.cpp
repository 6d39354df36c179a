// rastertokvlabel: CUPS filter for thermal label and receipt printers. The log
// and the send-data dump go to their files beside the CUPS logs.
#include "base/log_files.h"
#include "filter/filter_main.h"

int main(int argc, char** argv) {
    setDebugLogDirectory("/var/log/cups");
    return filterMain(argc, argv);
}
