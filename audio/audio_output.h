#pragma once
// Where the sound goes: a sound card through SDL2, or, where there is none,
// a silent output that consumes samples in real time so songs still keep
// time. Both call one render function from a thread of their own.
#include <cstdint>
#include <memory>

struct DeviceFormat {
    int rate = 44100;
    int channels = 2;
    int latencyFrames = 0;  // how long a handed-over frame waits before it is heard
};

// Fills `frames` interleaved float frames at `out`; `nowNs` is when they
// start to play (monotonic clock). Runs on the output's thread: no locks,
// no allocation, no waiting.
using RenderFunction = void (*)(void* user, float* out, int frames, std::int64_t nowNs);

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    const DeviceFormat& format() const { return deviceFormat; }

    // Outputs open paused; this lets them run.
    virtual void resume() = 0;
    // Held by the output around every render call: what the main thread
    // changes under it is seen whole by the next buffer.
    virtual void lock() = 0;
    virtual void unlock() = 0;

protected:
    DeviceFormat deviceFormat;
};

// The default sound device (PulseAudio, PipeWire or ALSA, whichever SDL
// finds, or the driver named by SDL_AUDIODRIVER); nullptr when none opens.
std::unique_ptr<AudioOutput> openSoundCard(RenderFunction render, void* user);

// Plays nothing, in real time: each buffer is rendered on a deadline of the
// monotonic clock, so a busy machine delays buffers but never the song.
std::unique_ptr<AudioOutput> openSilentOutput(RenderFunction render, void* user);
