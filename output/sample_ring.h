#pragma once
// A lock-free ring of float samples for one writer thread and one reader
// thread: the decoder fills it, the audio callback drains it without locks
// or allocation.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>

class SampleRing {
public:
    explicit SampleRing(std::size_t capacity)
        : samples(std::make_unique<float[]>(capacity)), capacity(capacity) {}

    std::size_t freeSpace() const {
        return capacity - (written.load(std::memory_order_acquire) - read.load(std::memory_order_relaxed));
    }
    bool empty() const {
        return written.load(std::memory_order_acquire) == read.load(std::memory_order_relaxed);
    }

    // Writer side: copies as many of `count` samples as fit; returns that number.
    std::size_t write(const float* source, std::size_t count) {
        const std::size_t head = written.load(std::memory_order_relaxed);
        const std::size_t tail = read.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, capacity - (head - tail));
        // At most two runs: up to the end of the storage, then from its start.
        const std::size_t at = head % capacity;
        const std::size_t first = std::min(n, capacity - at);
        std::copy_n(source, first, samples.get() + at);
        std::copy_n(source + first, n - first, samples.get());
        written.store(head + n, std::memory_order_release);
        return n;
    }

    // Reader side: copies up to `count` samples out; returns how many.
    std::size_t readInto(float* target, std::size_t count) {
        const std::size_t tail = read.load(std::memory_order_relaxed);
        const std::size_t head = written.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, head - tail);
        const std::size_t at = tail % capacity;
        const std::size_t first = std::min(n, capacity - at);
        std::copy_n(samples.get() + at, first, target);
        std::copy_n(samples.get(), n - first, target + first);
        read.store(tail + n, std::memory_order_release);
        return n;
    }

private:
    std::unique_ptr<float[]> samples;
    const std::size_t capacity;
    std::atomic<std::size_t> written{0};  // total samples ever written
    std::atomic<std::size_t> read{0};     // total samples ever read
};
