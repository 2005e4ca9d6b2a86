#pragma once
// The latest frames of a sound, mono, for the spectrum of what is heard.
// One thread appends, another reads, with no lock: the writer claims frames
// before it overwrites their slots and publishes them after, so a reader
// that finds the claim past what it read knows a slot may hold a newer frame
// and reads silence there instead.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class MonoHistory {
public:
    explicit MonoHistory(std::int64_t size)
        : size(size), samples(std::make_unique<std::atomic<float>[]>(static_cast<std::size_t>(size))) {}

    // Writer: `frames` interleaved frames of `channels`, mixed to mono.
    void append(const float* interleaved, std::size_t frames, int channels);
    // Frames appended so far.
    std::int64_t frames() const { return published.load(std::memory_order_acquire); }
    // Reader: frames first .. first + count - 1; those not kept read as silence.
    void read(std::int64_t first, int count, float* out) const;

private:
    const std::int64_t size;
    std::unique_ptr<std::atomic<float>[]> samples;  // frame n at n % size
    std::atomic<std::int64_t> claimed{0};
    std::atomic<std::int64_t> published{0};
};
