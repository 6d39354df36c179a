// Fuzz target: the PPD settings reader. The input, up to its first NUL byte,
// is the PPD: written to a temporary file that the environment variable PPD
// names, as the scheduler does, and read by set_pstops_with_ppd. What follows
// the NUL is the job's option text, read by set_pstops_options after it. The
// log folder does not exist, so nothing but the temporary file is written.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "filter/settings_reader.h"

namespace {

std::string gPath;
int gFd = -1;

void removeFile() {
    if (!gPath.empty()) unlink(gPath.c_str());
}

}  // namespace

// libcups's PPD reader keeps a second copy of a keyword given twice (such as
// *NickName) without freeing the first; that leak is not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:_ppdOpen\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/kv-fuzz-ppd-XXXXXX";
    gFd = mkstemp(pattern.data());
    if (gFd < 0) return 1;
    gPath = pattern;
    std::atexit(&removeFile);
    setenv("PPD", gPath.c_str(), 1);
    setDebugLogDirectory("/nonexistent/kv-fuzz-log");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t ppdSize = nul != nullptr ? size_t(nul - data) : size;
    if (ftruncate(gFd, 0) != 0 || pwrite(gFd, data, ppdSize, 0) != ssize_t(ppdSize)) return 0;
    const std::string optionText =
        nul != nullptr ? std::string(reinterpret_cast<const char*>(nul + 1), size - ppdSize - 1) : std::string();
    devType = 1;
    odmType = 28;
    JobSettings settings{};
    set_pstops_with_ppd(&settings);
    if (nul == nullptr) return 0;
    // The options are applied over the PPD's values, as in a real job.
    char arg0[] = "rastertokvlabel", id[] = "1", user[] = "fuzz", title[] = "title", copies[] = "1";
    std::string options = optionText.c_str();  // up to a second NUL
    char* argv[] = {arg0, id, user, title, copies, options.data(), nullptr};
    cups_option_t* parsed = nullptr;
    const int count = cupsParseOptions(argv[5], 0, &parsed);
    JobSettings again{};
    set_pstops_options(&again, argv, count, parsed);
    cupsFreeOptions(count, parsed);
    return 0;
}
