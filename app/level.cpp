#include "app/level.h"

#include "audio/loudness.h"
#include "audio/sound_engine.h"
#include "media/playback.h"

float fftBuffer[kSpectrumBins] = {};
float level = 1;

void computeLevel() {
    soundEngine.fillSpectrum(streamHandle, fftBuffer);
    level = levelOf(fftBuffer);
}
