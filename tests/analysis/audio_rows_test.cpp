#include "analysis/audio_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kRate = 44100;

Loudness sineHeard(float hz, float amplitude) {
    LoudnessMeter meter;
    for (int n = 0; n < FftAnalyser::kWindow; ++n) {
        meter.window()[n] = amplitude * static_cast<float>(std::sin(2 * M_PI * hz * n / kRate));
    }
    return meter.measure();
}
}  // namespace

TEST(AudioRows, ASineLightsItsLogBinAndDrawsItsWave) {
    AudioRows rows;
    rows.update(sineHeard(1000, 0.5f), 10, kRate);  // long enough for the smoothing to settle
    const auto peak = std::max_element(rows.spectrum.begin(), rows.spectrum.end());
    const float bin = audioRowBin(1000, kRate);
    EXPECT_NEAR(bin, 285.9, 0.2);
    EXPECT_NEAR(peak - rows.spectrum.begin(), bin, 2) << "the row's peak at 1 kHz's bin";
    EXPECT_GT(*peak, 0.9f) << "-6 dB of full scale is near the top";
    EXPECT_LT(rows.spectrum[static_cast<int>(audioRowBin(100, kRate))], 0.3f) << "nothing at 100 Hz";
    const auto [low, high] = std::minmax_element(rows.waveform.begin(), rows.waveform.end());
    EXPECT_NEAR(*low, 0.25f, 0.01f) << "half scale reaches a quarter";
    EXPECT_NEAR(*high, 0.75f, 0.01f);

    // Silence: the wave lies at 0.5 at once, the spectrum fades frame by frame.
    const float before = *peak;
    rows.update(Loudness{}, 1.0f / 60, kRate);
    EXPECT_NEAR(*peak, before * 0.8f, 1e-4);
    EXPECT_TRUE(std::ranges::all_of(rows.waveform, [](float v) { return v == 0.5f; }));
}
