#include "app/level.h"

#include "audio/listener.h"
#include "audio/sound_engine.h"

Loudness measureLoudness(std::uint32_t streamHandle) {
    Loudness heard;
    soundEngine.fillSpectrum(streamHandle, heard.fftBuffer);
    heard.level = levelOf(heard.fftBuffer);
    return heard;
}

Loudness measureLoudness(Listener& listener) {
    Loudness heard;
    listener.fillSpectrum(monotonicNanoseconds(), heard.fftBuffer);
    heard.level = levelOf(heard.fftBuffer);
    return heard;
}
