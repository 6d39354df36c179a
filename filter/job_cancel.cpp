// SIGTERM handler and the flag it sets.
#include "filter/job_cancel.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_cancelled = 0;

extern "C" void onTerminate(int) { g_cancelled = 1; }

}  // namespace

void installCancelHandler() {
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    // Restarted reads and writes: a page's bytes are never cut short by the signal.
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

bool jobCancelled() { return g_cancelled != 0; }
