// The two places where the system reads the outside world's nondeterminism:
// the clock and the C library random generator. Tests replace them here.
#pragma once

#include <ctime>

// Current calendar time: time(nullptr), or the test clock when one is set.
std::time_t kvTime();
// Installs a test clock; nullptr restores the real one.
void setKvClock(std::time_t (*clock)());

// The C library generator (rand/srand), or the test replacements when set.
int kvRand();
void kvSrand(unsigned seed);
// Installs test replacements; nullptr for either restores the C library's.
void setKvRandom(int (*randFn)(), void (*srandFn)(unsigned));
