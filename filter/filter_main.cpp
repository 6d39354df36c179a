// Entry point: checks the CUPS filter arguments, opens the input, gathers the
// job settings and runs the page loop.
#include "filter/filter_main.h"

#include <cstdio>

#include "filter/debug_log.h"
#include "filter/job_settings.h"
#include "filter/page_loop.h"

int filterMain(int argc, char** argv) {
    writeLogString("Enter main");
    for (int i = 0; i < argc; ++i) writeLogString("argv[%d]:%s", i, argv[i]);
    writeLogString("Begin main");
    if (argc != 6 && argc != 7) {
        writeLogString("Input param is not enough");
        std::fputs("ERROR: rastertoepson job-id user title copies options [file]\n", stderr);
        return 1;
    }

    cups_file_t* input = argc == 6 ? cupsFileStdin() : cupsFileOpen(argv[6], "r");

    JobSettings settings{};
    cups_option_t* options = nullptr;
    const int numOptions = cupsParseOptions(argv[5], 0, &options);
    set_pstops_options(&settings, argv, numOptions, options);
    cupsFreeOptions(numOptions, options);

    if (input != nullptr) {
        writeLogString("cups_file is not null");
        print_bitmap(&settings, input);
        cupsFileClose(input);
    }
    writeLogString("Exit main");
    closeDebugLog();
    return 0;
}
