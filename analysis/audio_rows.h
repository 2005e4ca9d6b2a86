#pragma once
// What a shader scene hears, as two rows of 512 values from 0 to 1: the
// spectrum on a logarithmic frequency scale, in decibels and smoothed over
// time, and the waveform around the moment heard, 0.5 at silence. The
// common form of audio-reactive shaders reads them as a 512 x 2 texture.
#include <array>

#include "analysis/loudness.h"

class AudioRows {
public:
    static constexpr int kWidth = 512;
    // The spectrum row spans this range.
    static constexpr float kLowestHz = 20;
    static constexpr float kQuietestDb = -90;  // 0 in the row
    static constexpr float kLoudestDb = -10;   // 1 in the row; 0 dB is a full-scale sine

    // Takes what is heard now, `step` seconds after the last.
    void update(const Loudness& heard, float step, int sampleRate);

    std::array<float, kWidth> spectrum{};
    std::array<float, kWidth> waveform{};
};

// The spectrum row's bin for `hz` at `sampleRate`: kLowestHz is bin 0, half
// the sample rate bin 512.
float audioRowBin(float hz, int sampleRate);
