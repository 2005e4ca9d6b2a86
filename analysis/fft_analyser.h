#pragma once
// Magnitude spectrum of 2048 samples through a Hann window (KissFFT).
#include <kiss_fftr.h>

#include <array>

// Magnitudes in a spectrum.
constexpr int kSpectrumBins = 1024;

class FftAnalyser {
public:
    static constexpr int kWindow = 2048;
    static constexpr int kBins = kSpectrumBins;

    FftAnalyser();
    ~FftAnalyser();
    FftAnalyser(const FftAnalyser&) = delete;
    FftAnalyser& operator=(const FftAnalyser&) = delete;

    // Magnitude k is |X[k]| * 2 / 2048: a full-scale sine on a bin reads 0.5
    // there (the window halves it) and 0.25 on each neighbour.
    void analyse(const float* samples, float* magnitudes);

private:
    kiss_fftr_cfg plan = nullptr;
    std::array<float, kWindow> hann{};
    std::array<float, kWindow> windowed{};
    std::array<kiss_fft_cpx, kWindow / 2 + 1> bins{};
};
