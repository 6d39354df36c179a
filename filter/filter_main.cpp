// Entry point: checks the CUPS filter arguments, opens the input, gathers the
// job settings and runs the page loop.
#include "filter/filter_main.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/debug_log.h"
#include "filter/job_cancel.h"
#include "filter/page_loop.h"
#include "filter/settings_reader.h"

namespace {

// A closed standard descriptor would be handed to the next file opened (the
// log, the input), and printer bytes would land in it. Each closed one gets
// /dev/null opened read-only in its place: reading it gives no pages, and a
// write to it fails, which the page loop reports like any failed output.
void occupyClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) close(opened);
    }
}

}  // namespace

int filterMain(int argc, char** argv) {
    occupyClosedStandardDescriptors();
    // A reader that goes away makes writes fail with EPIPE, reported as an error.
    std::signal(SIGPIPE, SIG_IGN);
    installCancelHandler();
    writeLogString("Enter main");
    for (int i = 0; i < argc; ++i) writeLogString("argv[%d]:%s", i, argv[i]);
    writeLogString("Begin main");
    if (argc != 6 && argc != 7) {
        writeLogString("Input param is not enough");
        std::fputs("ERROR: rastertokvlabel job-id user title copies options [file]\n", stderr);
        return 1;
    }

    errno = 0;
    cups_file_t* input = argc == 6 ? cupsFileStdin() : cupsFileOpen(argv[6], "r");
    const std::string openError = std::strerror(errno != 0 ? errno : ENOENT);

    JobSettings settings{};
    cups_option_t* options = nullptr;
    const int numOptions = cupsParseOptions(argv[5], 0, &options);
    set_pstops_options(&settings, argv, numOptions, options);
    cupsFreeOptions(numOptions, options);

    int status = 0;
    if (input != nullptr) {
        writeLogString("cups_file is not null");
        status = print_bitmap(&settings, input);
        cupsFileClose(input);
    } else {
        std::fprintf(stderr, "ERROR: Unable to open the print file: %s\n", openError.c_str());
        writeLogString("input file can't be opened: %s", openError.c_str());
        status = 1;
    }
    writeLogString("Exit main");
    closeDebugLog();
    return status;
}
