#include "analysis/fft_analyser.h"

#include <cmath>

FftAnalyser::FftAnalyser() : plan(kiss_fftr_alloc(kWindow, 0, nullptr, nullptr)) {
    // The periodic Hann window: its neighbours-of-a-bin leak is exactly a half.
    for (int n = 0; n < kWindow; ++n) {
        hann[n] = static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * n / kWindow));
    }
}

FftAnalyser::~FftAnalyser() { kiss_fftr_free(plan); }

void FftAnalyser::analyse(const float* samples, float* magnitudes) {
    for (int n = 0; n < kWindow; ++n) windowed[n] = samples[n] * hann[n];
    kiss_fftr(plan, windowed.data(), bins.data());
    constexpr float kScale = 2.0f / kWindow;
    for (int k = 0; k < kBins; ++k) {
        magnitudes[k] = std::hypot(bins[k].r, bins[k].i) * kScale;
    }
}
