#pragma once

// The spectrum of the current frame: 1024 magnitudes.
extern float fftBuffer[1024];

// Loudness of the current frame, from the spectrum of what is heard.
extern float level;

// Fetches the spectrum of the playing stream and sets level from it.
void computeLevel();

// The loudness of a spectrum: every second magnitude from the first, summed,
// times 100 / 1024.
float levelOf(const float* magnitudes);
