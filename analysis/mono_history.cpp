#include "analysis/mono_history.h"

#include "analysis/mono_mix.h"
#include "base/full_scale.h"

void MonoHistory::append(const float* interleaved, std::size_t count, int channels) {
    const std::int64_t first = published.load(std::memory_order_relaxed);
    const std::int64_t end = first + static_cast<std::int64_t>(count);
    claimed.store(end, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);  // the claim is seen before any overwrite
    for (std::int64_t frame = first; frame < end; ++frame) {
        // A captured source is stored as it comes: NaN here would stay in
        // the figures that integrate the level for the rest of the session.
        const float mono = inFullScale(monoMix(interleaved + (frame - first) * channels, channels));
        samples[frame % size].store(mono, std::memory_order_relaxed);
    }
    published.store(end, std::memory_order_release);
}

void MonoHistory::read(std::int64_t first, int count, float* out) const {
    const std::int64_t kept = published.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i) {
        const std::int64_t frame = first + i;
        const bool there = frame >= 0 && frame < kept && kept - frame <= size;
        out[i] = there ? samples[frame % size].load(std::memory_order_relaxed) : 0.0f;
    }
    // Frames claimed meanwhile may have replaced the oldest ones as they were read.
    std::atomic_thread_fence(std::memory_order_acquire);
    const std::int64_t overwriting = claimed.load(std::memory_order_relaxed);
    for (int i = 0; i < count && overwriting - (first + i) > size; ++i) out[i] = 0.0f;
}
