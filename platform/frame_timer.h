#pragma once
#include <cstdint>

// The only animation clock: seconds since construction, from the monotonic
// high-resolution clock. The live frame loop's is built before main, so
// its zero is close to the start of the process.
class FrameTimer {
public:
    FrameTimer();
    virtual ~FrameTimer();

    // Reads the clock into lastCount and returns the seconds since construction.
    double elapsedSeconds();

    std::int64_t frequency = 0;   // clock ticks per second
    std::int64_t lastCount = 0;   // tick count of the latest reading
    std::int64_t startCount = 0;  // tick count at construction
};

