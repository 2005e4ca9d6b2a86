#pragma once
// The program's sound engine: one output device (SDL2), at most one stream
// (an MP3 decoded by mpg123), and the spectrum of what is being heard.
#include <SDL2/SDL_audio.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/fft_analyser.h"
#include "audio/stream.h"

using StreamHandle = std::uint32_t;  // 0: no stream

class SoundEngine {
public:
    SoundEngine() = default;
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // Opens the output. True when it is running on a real device, now or
    // before. When no device can be opened, plays on through SDL's silent
    // real-time driver so songs still keep time, and reports false.
    bool initialise();
    // Lets the device run (it starts paused).
    void start();

    // A stream of the file at `path`, ready to play; 0 when it is not a
    // playable MP3. Any earlier stream is freed first: one at a time.
    StreamHandle createStream(const std::string& path);
    bool play(StreamHandle handle);
    // Silences and releases the stream at once; 0 or a stale handle is ignored.
    void free(StreamHandle handle);
    // True while the stream plays: false once it has been heard to its end,
    // and for 0 or a freed handle.
    bool isActive(StreamHandle handle) const;

    // 1024 magnitudes of the spectrum being heard now; all zero when the
    // stream is not audible.
    void fillSpectrum(StreamHandle handle, float* magnitudes);

    bool usesSilentDriver() const { return silentDriver; }
    // The stream behind `handle`, for measuring; nullptr when there is none.
    const Stream* streamOf(StreamHandle handle) const;

    // The spectrum window ends this many frames after the heard frame. A
    // window ending at the heard frame would show a sound half a window
    // late (the Hann weight sits in its middle); with this lead the level
    // reaches half its height a couple of milliseconds after the sound is heard.
    static constexpr int kSpectrumLead = 768;

private:
    static void SDLCALL audioCallback(void* engine, Uint8* bytes, int length);
    bool openOutput();
    void setAudible(Stream* stream);

    SDL_AudioDeviceID device = 0;
    bool silentDriver = false;
    DeviceFormat format;

    std::unique_ptr<Stream> stream;  // owned by the main thread
    Stream* audible = nullptr;       // what the callback plays; changed under the device lock
    StreamHandle currentHandle = 0;
    StreamHandle lastHandle = 0;

    FftAnalyser analyser;
    std::array<float, FftAnalyser::kWindow> window{};
};

extern SoundEngine soundEngine;
