#pragma once
#include <cstdint>

// The program's one random generator: a linear congruential sequence whose
// state starts at 1, so figures built before seeding get the same numbers
// on every run. Yields 0 to 32767.
int nextRandom();
void seedRandom(std::uint32_t seed);

// Milliseconds of the monotonic clock, truncated to 32 bits: the start-up seed.
std::uint32_t millisecondTicks();
