#pragma once

// Magnitudes in a spectrum.
constexpr int kSpectrumBins = 1024;

// The spectrum of the moment a frame is heard is taken over the song's
// frames that end this many frames after it. A window ending at the heard
// frame would show a sound half a window late (the Hann weight sits in its
// middle); with this lead the level reaches half its height a couple of
// milliseconds after the sound is heard.
constexpr int kSpectrumLead = 768;

// The loudness of a spectrum: every second magnitude from the first, summed,
// times 100 / 1024.
float levelOf(const float* magnitudes);
