#include "audio/level.h"

#include "audio/playback.h"
#include "audio/sound_engine.h"

float fftBuffer[1024] = {};
float level = 1;

float levelOf(const float* magnitudes) {
    float sum = 0;
    for (int i = 0; i < 1024; i += 2) sum += magnitudes[i];
    return static_cast<float>(sum * (1.0 / 1024) * 100);
}

void computeLevel() {
    soundEngine.fillSpectrum(streamHandle, fftBuffer);
    level = levelOf(fftBuffer);
}
