#pragma once

// Magnitudes in a spectrum.
constexpr int kSpectrumBins = 1024;

// The loudness of a spectrum: every second magnitude from the first, summed,
// times 100 / 1024.
float levelOf(const float* magnitudes);
