#pragma once
// A damaged file, or a source another program feeds, may hold anything: the speakers and the spectrum get
// full scale at most, and silence for NaN.
#include <algorithm>
#include <cmath>
#include <cstddef>

inline float inFullScale(float sample) { return std::isfinite(sample) ? std::clamp(sample, -1.0f, 1.0f) : 0.0f; }

inline void keepInFullScale(float* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) samples[i] = inFullScale(samples[i]);
}
