#include "analysis/output_clock.h"

#include <algorithm>
#include <chrono>

std::int64_t monotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void OutputClock::configure(int deviceRate) { rate = deviceRate; }

void OutputClock::record(std::int64_t timeNs, std::int32_t frames) {
    const std::uint64_t index = count.load(std::memory_order_relaxed);
    Entry& entry = log[index % kLogSize];
    const std::int64_t first = handed.load(std::memory_order_relaxed);
    entry.sequence.store(2 * index + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    entry.timeNs.store(timeNs, std::memory_order_relaxed);
    entry.firstFrame.store(first, std::memory_order_relaxed);
    entry.frames.store(frames, std::memory_order_relaxed);
    entry.sequence.store(2 * index + 2, std::memory_order_release);
    handed.store(first + frames, std::memory_order_release);
    count.store(index + 1, std::memory_order_release);
}

bool OutputClock::readEntry(std::uint64_t index, OutputMark& mark) const {
    const Entry& entry = log[index % kLogSize];
    const std::uint64_t before = entry.sequence.load(std::memory_order_acquire);
    if (before != 2 * index + 2) return false;  // being written, or already reused
    mark.timeNs = entry.timeNs.load(std::memory_order_relaxed);
    mark.firstFrame = entry.firstFrame.load(std::memory_order_relaxed);
    mark.frames = entry.frames.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return entry.sequence.load(std::memory_order_relaxed) == before;
}

bool OutputClock::latest(OutputMark& mark) const {
    // The newest complete entry is never the one being written; a read can
    // only tear when the writer has lapped the whole log meanwhile, and then
    // there is a newer entry to read. So: try again, never "no data".
    for (;;) {
        const std::uint64_t logged = count.load(std::memory_order_acquire);
        if (logged == 0) return false;
        if (readEntry(logged - 1, mark)) return true;
    }
}

bool OutputClock::markHolding(std::int64_t frame, OutputMark& mark) const {
    const std::uint64_t logged = count.load(std::memory_order_acquire);
    const std::uint64_t oldest = logged > kLogSize ? logged - kLogSize + 1 : 0;
    for (std::uint64_t index = logged; index-- > oldest;) {
        if (!readEntry(index, mark)) continue;
        if (frame >= mark.firstFrame && frame < mark.firstFrame + mark.frames) return true;
        if (mark.firstFrame + mark.frames <= frame) return false;  // not handed over yet
    }
    return false;
}

bool OutputClock::heardFrame(std::int64_t timeNs, double& frame) const {
    OutputMark mark;
    if (!latest(mark)) return false;
    // The device plays on at its rate, up to and through the latest buffer;
    // past the frames it was given it has nothing more to play.
    const double sinceStart = static_cast<double>(timeNs - mark.timeNs) * 1e-9;
    const double played = mark.firstFrame + sinceStart * rate;
    frame = std::min(played, static_cast<double>(mark.firstFrame + mark.frames));
    return true;
}
