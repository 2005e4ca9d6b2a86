#include "analysis/audio_rows.h"

#include <algorithm>
#include <cmath>

namespace {
// Each frame keeps this share of the row's last value, per 60th of a second:
// a peak fades over a few tenths of a second instead of flickering.
constexpr float kKeptPerSixtieth = 0.8f;

float decibels(float magnitude) {
    // Magnitude 0.5 is a full-scale sine (see FftAnalyser).
    return 20 * std::log10(std::max(2 * magnitude, 1e-9f));
}

// The loudest magnitude from linear bin `from` to `to`; between two bins
// (low frequencies, where a row bin is narrower than an FFT bin), the two
// interpolated.
float magnitudeBetween(const Loudness& heard, double from, double to) {
    const int first = static_cast<int>(std::ceil(from));
    const int last = std::min(static_cast<int>(std::floor(to)), kSpectrumBins - 1);
    if (first > last) {
        const double centre = std::min((from + to) / 2, static_cast<double>(kSpectrumBins - 1));
        const int below = static_cast<int>(centre);
        const int above = std::min(below + 1, kSpectrumBins - 1);
        const double share = centre - below;
        return static_cast<float>(heard.spectrum[below] * (1 - share) + heard.spectrum[above] * share);
    }
    return *std::max_element(heard.spectrum.begin() + first, heard.spectrum.begin() + last + 1);
}
}  // namespace

float audioRowBin(float hz, int sampleRate) {
    const double nyquist = sampleRate / 2.0;
    return static_cast<float>(AudioRows::kWidth * std::log(hz / AudioRows::kLowestHz) /
                              std::log(nyquist / AudioRows::kLowestHz));
}

void AudioRows::update(const Loudness& heard, float step, int sampleRate) {
    const double nyquist = sampleRate / 2.0;
    const double hzPerBin = nyquist / kSpectrumBins;
    const float kept = std::pow(kKeptPerSixtieth, std::max(step, 0.0f) * 60);
    for (int i = 0; i < kWidth; ++i) {
        const double low = kLowestHz * std::pow(nyquist / kLowestHz, static_cast<double>(i) / kWidth);
        const double high = kLowestHz * std::pow(nyquist / kLowestHz, static_cast<double>(i + 1) / kWidth);
        const float db = decibels(magnitudeBetween(heard, low / hzPerBin, high / hzPerBin));
        const float now = std::clamp((db - kQuietestDb) / (kLoudestDb - kQuietestDb), 0.0f, 1.0f);
        spectrum[i] = spectrum[i] * kept + now * (1 - kept);
        waveform[i] = std::clamp(0.5f + 0.5f * heard.waveform[i], 0.0f, 1.0f);
    }
}
