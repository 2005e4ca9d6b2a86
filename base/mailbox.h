#pragma once
// The latest of a value one thread publishes and another reads, with no
// lock and no waiting on either side: three slots, one the writer's, one
// the reader's, one in between, swapped by a single atomic exchange.
#include <array>
#include <atomic>

template <typename T>
class Mailbox {
public:
    // Writer only.
    void publish(T value) {
        slots[writing] = std::move(value);
        writing = between.exchange(writing | kFresh, std::memory_order_acq_rel) & kSlot;
    }

    // Reader only: the latest value published, or T{} before any.
    const T& latest() {
        if ((between.load(std::memory_order_relaxed) & kFresh) != 0) {
            reading = between.exchange(reading, std::memory_order_acq_rel) & kSlot;
        }
        return slots[reading];
    }

private:
    static constexpr int kSlot = 3;
    static constexpr int kFresh = 4;

    std::array<T, 3> slots{};
    int writing = 0;
    int reading = 1;
    std::atomic<int> between{2};
};
