// The filter as the tests run it: argv[1] names the directory for the log and
// the dump; the remaining arguments are the filter's own.
#include <cstdio>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "filter/filter_main.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: kvfilter_under_test LOGDIR program args...\n", stderr);
        return 2;
    }
    setDebugLogDirectory(argv[1]);
    return filterMain(argc - 2, argv + 2);
}
