#pragma once
#include <cstdint>

#include "audio/loudness.h"

// The spectrum of what a stream plays, as heard now, and its loudness.
struct Loudness {
    float fftBuffer[kSpectrumBins] = {};
    float level = 0;
};

// Silence for no stream, or one that is not heard yet or any more.
Loudness measureLoudness(std::uint32_t streamHandle);

// What the desktop plays, as heard now.
class Listener;
Loudness measureLoudness(Listener& listener);
