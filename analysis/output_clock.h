#pragma once
// When each frame of a stream is heard. The output logs every buffer it is
// handed, with the moment its first frame will play; the main thread turns
// the log into the frame being heard now, so the picture follows the sound,
// not the decoder.
#include <array>
#include <atomic>
#include <cstdint>

// Nanoseconds of the monotonic clock.
std::int64_t monotonicNanoseconds();

struct OutputMark {
    std::int64_t timeNs = 0;        // when its first frame plays
    std::int64_t firstFrame = 0;    // stream frame at the start of the buffer
    std::int32_t frames = 0;        // stream frames handed over in it
};

class OutputClock {
public:
    // rate: device frames per second.
    void configure(int rate);

    // Output thread: a buffer of `frames` was handed over whose first frame
    // plays at `timeNs`. No locks, no allocation.
    void record(std::int64_t timeNs, std::int32_t frames);

    std::int64_t framesHanded() const { return handed.load(std::memory_order_acquire); }
    bool latest(OutputMark& mark) const;
    // The mark of the buffer that held `frame`, if it is still in the log.
    bool markHolding(std::int64_t frame, OutputMark& mark) const;

    // The stream frame heard at `timeNs` (may be negative before the start),
    // or false when nothing has been handed over yet.
    bool heardFrame(std::int64_t timeNs, double& frame) const;
    int deviceRate() const { return rate; }

private:
    static constexpr int kLogSize = 512;  // about 12 s of 1024-frame buffers
    struct Entry {
        std::atomic<std::uint64_t> sequence{0};  // odd while being written
        std::atomic<std::int64_t> timeNs{0};
        std::atomic<std::int64_t> firstFrame{0};
        std::atomic<std::int32_t> frames{0};
    };
    bool readEntry(std::uint64_t index, OutputMark& mark) const;

    std::array<Entry, kLogSize> log;
    std::atomic<std::uint64_t> count{0};   // callbacks logged
    std::atomic<std::int64_t> handed{0};  // frames handed over in all
    int rate = 0;  // set by configure
};
