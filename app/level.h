#pragma once
#include "audio/loudness.h"

// The spectrum of the current frame.
extern float fftBuffer[kSpectrumBins];

// Loudness of the current frame, from the spectrum of what is heard.
extern float level;

// Fetches the spectrum of the playing stream and sets level from it.
void computeLevel();
