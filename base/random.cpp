#include "base/random.h"

#include <chrono>

namespace {
// constinit: figures constructed before main draw from it, whatever the
// order in which the translation units are initialised.
constinit std::uint32_t randomState = 1;
}

int nextRandom() {
    randomState = randomState * 214013u + 2531011u;  // wraps modulo 2^32
    return static_cast<int>((randomState >> 16) & 0x7fffu);
}

void seedRandom(std::uint32_t seed) { randomState = seed; }

std::uint32_t millisecondTicks() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}
