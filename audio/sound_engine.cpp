#include "audio/sound_engine.h"

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

SoundEngine soundEngine;

namespace {
constexpr int kRequestedRate = 44100;
constexpr int kBufferFrames = 1024;  // the silent driver keeps real time only from 1024 on

// Sound libraries (ALSA, JACK) print their own complaints while probing for a
// device; the user sees one message of ours instead.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved >= 0) {
            dup2(saved, STDERR_FILENO);
            ::close(saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved = -1;
};
}  // namespace

SoundEngine::~SoundEngine() {
    // Runs at exit(0) too: close the device first, which stops the callback,
    // then the decoder thread goes with the stream.
    if (device != 0) SDL_CloseAudioDevice(device);
    device = 0;
    audible = nullptr;
    stream.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SoundEngine::openOutput() {
    QuietStandardError quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;

    SDL_AudioSpec wanted{};
    wanted.freq = kRequestedRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    wanted.callback = audioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                 SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    silentDriver = driver != nullptr && std::strcmp(driver, "dummy") == 0;
    // A real device plays one buffer while the callback fills the next; the
    // silent driver "plays" each buffer as soon as it has it.
    format = {obtained.freq, obtained.channels, silentDriver ? 0 : obtained.samples};
    return true;
}

bool SoundEngine::initialise() {
    if (device != 0) return true;  // already running, on whichever driver
    if (openOutput()) return true;
    // No sound card, or it is busy: songs still play, end and drive the
    // picture in real time, silently.
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    openOutput();
    return false;
}

void SoundEngine::start() {
    if (device != 0) SDL_PauseAudioDevice(device, 0);
}

void SoundEngine::setAudible(Stream* next) {
    if (device != 0) SDL_LockAudioDevice(device);
    audible = next;
    if (device != 0) SDL_UnlockAudioDevice(device);
}

StreamHandle SoundEngine::createStream(const std::string& path) {
    free(currentHandle);
    std::unique_ptr<Stream> opened = Stream::open(path, format);
    if (!opened) return 0;
    stream = std::move(opened);
    setAudible(stream.get());
    if (++lastHandle == 0) ++lastHandle;  // 0 means "none"
    currentHandle = lastHandle;
    return currentHandle;
}

bool SoundEngine::play(StreamHandle handle) {
    if (handle == 0 || handle != currentHandle || device == 0) return false;
    stream->play();
    return true;
}

void SoundEngine::free(StreamHandle handle) {
    if (handle == 0 || handle != currentHandle) return;
    setAudible(nullptr);  // silent from the next buffer on
    stream.reset();
    currentHandle = 0;
}

bool SoundEngine::isActive(StreamHandle handle) const {
    const Stream* playing = streamOf(handle);
    return playing != nullptr && playing->isActive(monotonicNanoseconds());
}

const Stream* SoundEngine::streamOf(StreamHandle handle) const {
    return handle != 0 && handle == currentHandle ? stream.get() : nullptr;
}

void SoundEngine::fillSpectrum(StreamHandle handle, float* magnitudes) {
    const Stream* playing = streamOf(handle);
    if (playing == nullptr || !playing->audibleWindow(monotonicNanoseconds(), FftAnalyser::kWindow,
                                                      kSpectrumLead, window.data())) {
        std::fill(magnitudes, magnitudes + FftAnalyser::kBins, 0.0f);
        return;
    }
    analyser.analyse(window.data(), magnitudes);
}

void SDLCALL SoundEngine::audioCallback(void* userdata, Uint8* bytes, int length) {
    auto* engine = static_cast<SoundEngine*>(userdata);
    float* samples = reinterpret_cast<float*>(bytes);
    const int frames = length / static_cast<int>(sizeof(float) * engine->format.channels);
    if (engine->audible == nullptr) {
        std::fill(samples, samples + length / sizeof(float), 0.0f);
        return;
    }
    engine->audible->render(samples, frames, monotonicNanoseconds());
}
