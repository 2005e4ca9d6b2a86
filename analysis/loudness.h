#pragma once
// The one way from samples to the loudness the pictures follow. Songs
// playing, the desktop listened to and a song rendered to video each take
// the mono samples around the moment heard and measure them here.
#include <array>

#include "analysis/fft_analyser.h"

// The spectrum of the moment a frame is heard is taken over the song's
// frames that end this many frames after it. A window ending at the heard
// frame would show a sound half a window late (the Hann weight sits in its
// middle); with this lead the level reaches half its height a couple of
// milliseconds after the sound is heard.
constexpr int kSpectrumLead = 768;

// Samples of the waveform kept around the moment heard.
constexpr int kWaveformSamples = 512;

// The spectrum of what is heard at a moment, its loudness, and the mono
// waveform around it (the moment heard at its middle).
struct Loudness {
    std::array<float, kSpectrumBins> spectrum{};
    float level = 0;
    std::array<float, kWaveformSamples> waveform{};
};

// The loudness of a spectrum: every second magnitude from the first, summed,
// times 100 / 1024.
float levelOf(const float* magnitudes);

class LoudnessMeter {
public:
    // The kWindow mono samples that end kSpectrumLead after the moment
    // heard, to be filled before measure().
    float* window() { return samples.data(); }
    // What the window holds, measured; `heard` false for silence: nothing
    // was heard at that moment (the window is then left alone).
    Loudness measure(bool heard = true);

private:
    FftAnalyser analyser;
    std::array<float, FftAnalyser::kWindow> samples{};
};
