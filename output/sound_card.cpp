#include <SDL2/SDL.h>

#include "analysis/output_clock.h"
#include "output/audio_output.h"
#include "output/quiet_standard_error.h"

namespace {
class SoundCard : public AudioOutput {
public:
    SoundCard(RenderFunction render, void* user) : render(render), user(user) {}
    ~SoundCard() override {
        if (device != 0) SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool open() {
        QuietStandardError quiet;
        // SDL would otherwise turn Ctrl+C and kill into a quit event that
        // nothing reads, and the program could no longer be stopped.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;

        SDL_AudioSpec wanted{};
        wanted.freq = kOutputRate;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = kOutputChannels;
        wanted.samples = kOutputBufferFrames;
        wanted.callback = callback;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                     SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (device == 0) return false;
        deviceFormat = {obtained.freq, obtained.channels};
        // The device plays one buffer while the callback fills the next.
        bufferNs = static_cast<std::int64_t>(obtained.samples) * 1'000'000'000LL / obtained.freq;
        return true;
    }

    const char* name() const override { return "sound card"; }
    void resume() override { SDL_PauseAudioDevice(device, 0); }
    void pause() override { SDL_PauseAudioDevice(device, 1); }

private:
    static void SDLCALL callback(void* self, Uint8* bytes, int length) {
        auto* card = static_cast<SoundCard*>(self);
        const int frames = length / static_cast<int>(sizeof(float) * card->deviceFormat.channels);
        card->render(card->user, reinterpret_cast<float*>(bytes), frames, monotonicNanoseconds() + card->bufferNs);
    }

    RenderFunction render;
    void* user;
    SDL_AudioDeviceID device = 0;
    std::int64_t bufferNs = 0;
};
}  // namespace

std::unique_ptr<AudioOutput> openSoundCard(RenderFunction render, void* user) {
    auto card = std::make_unique<SoundCard>(render, user);
    if (!card->open()) return nullptr;
    return card;
}
