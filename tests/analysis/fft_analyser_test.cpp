#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/fft_analyser.h"
#include "analysis/loudness.h"

namespace {
constexpr double kBin46Hz = 46.0 * 44100 / 2048;  // ~990.5 Hz, centred on bin 46

std::vector<float> sineWindow(double hz, double amplitude) {
    std::vector<float> samples(FftAnalyser::kWindow);
    for (int n = 0; n < FftAnalyser::kWindow; ++n) {
        samples[n] = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * n / 44100 + 0.3));
    }
    return samples;
}
}  // namespace

TEST(FftAnalyser, FullScaleSineOnABinReadsAHalfAndAQuarterBeside) {
    FftAnalyser analyser;
    std::vector<float> magnitudes(FftAnalyser::kBins);
    analyser.analyse(sineWindow(kBin46Hz, 1.0).data(), magnitudes.data());
    EXPECT_NEAR(magnitudes[46], 0.5f, 1e-4);
    EXPECT_NEAR(magnitudes[45], 0.25f, 1e-4);
    EXPECT_NEAR(magnitudes[47], 0.25f, 1e-4);
    for (int k = 0; k < FftAnalyser::kBins; ++k) {
        if (k < 45 || k > 47) {
            EXPECT_LT(magnitudes[k], 1e-3) << "bin " << k;
        }
    }
    EXPECT_NEAR(levelOf(magnitudes.data()), 0.5 * 100 / 1024, 1e-4);  // ~0.0488
}

TEST(FftAnalyser, SilenceHasNoSpectrum) {
    FftAnalyser analyser;
    std::vector<float> silence(FftAnalyser::kWindow, 0.0f);
    std::vector<float> magnitudes(FftAnalyser::kBins, 1.0f);
    analyser.analyse(silence.data(), magnitudes.data());
    EXPECT_EQ(levelOf(magnitudes.data()), 0.0f);
}

TEST(Level, SumsEveryEvenMagnitudeTimes100Over1024) {
    std::vector<float> spectrum(1024, 1.0f);
    EXPECT_FLOAT_EQ(levelOf(spectrum.data()), 50.0f);
    for (int i = 0; i < 1024; ++i) spectrum[i] = (i % 2 == 1) ? 1.0f : 0.0f;
    EXPECT_EQ(levelOf(spectrum.data()), 0.0f);
    std::fill(spectrum.begin(), spectrum.end(), 0.01f);
    EXPECT_NEAR(levelOf(spectrum.data()), 0.5f, 1e-5);
}
