#include "analysis/loudness.h"

#include <algorithm>

float levelOf(const float* magnitudes) {
    float sum = 0;
    for (int i = 0; i < kSpectrumBins; i += 2) sum += magnitudes[i];
    return static_cast<float>(sum * (1.0 / kSpectrumBins) * 100);
}

Loudness LoudnessMeter::measure(bool heard) {
    Loudness loudness;
    if (!heard) return loudness;
    analyser.analyse(samples.data(), loudness.spectrum.data());
    loudness.level = levelOf(loudness.spectrum.data());
    constexpr int kHeardAt = FftAnalyser::kWindow - kSpectrumLead;
    std::copy_n(samples.begin() + (kHeardAt - kWaveformSamples / 2), kWaveformSamples, loudness.waveform.begin());
    return loudness;
}
