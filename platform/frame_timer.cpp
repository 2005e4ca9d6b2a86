#include "platform/frame_timer.h"

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;

std::int64_t readCounter() { return Clock::now().time_since_epoch().count(); }

constexpr std::int64_t counterFrequency() {
    return Clock::period::den / Clock::period::num;
}
}  // namespace

FrameTimer::FrameTimer() {
    frequency = counterFrequency();
    lastCount = readCounter();
    startCount = lastCount;
}

FrameTimer::~FrameTimer() = default;

double FrameTimer::elapsedSeconds() {
    lastCount = readCounter();
    // A clock without a rate would give infinities; a frozen time keeps the
    // frame loop going instead.
    if (frequency <= 0) return 0.0;
    return static_cast<double>(lastCount - startCount) / static_cast<double>(frequency);
}
