// Clock and C random generator seams (real by default, replaceable by tests).
#include "base/seams.h"

#include <cstdlib>

namespace {
std::time_t (*g_clock)() = nullptr;
int (*g_rand)() = nullptr;
void (*g_srand)(unsigned) = nullptr;
}  // namespace

std::time_t kvTime() { return g_clock != nullptr ? g_clock() : std::time(nullptr); }
void setKvClock(std::time_t (*clock)()) { g_clock = clock; }

int kvRand() { return g_rand != nullptr ? g_rand() : std::rand(); }
void kvSrand(unsigned seed) {
    if (g_srand != nullptr) {
        g_srand(seed);
    } else {
        std::srand(seed);
    }
}
void setKvRandom(int (*randFn)(), void (*srandFn)(unsigned)) {
    g_rand = randFn;
    g_srand = srandFn;
}
