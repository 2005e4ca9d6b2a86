#pragma once
// A damaged file may decode to anything: the speakers and the spectrum get
// full scale at most, and silence for NaN.
#include <algorithm>
#include <cmath>
#include <cstddef>

inline void keepInFullScale(float* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const float s = samples[i];
        samples[i] = std::isfinite(s) ? std::clamp(s, -1.0f, 1.0f) : 0.0f;
    }
}
