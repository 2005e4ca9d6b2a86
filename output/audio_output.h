#pragma once
// Where the sound goes: a PulseAudio (or PipeWire) server, a sound card
// through SDL2, or, where there is none, a silent output that consumes
// samples in real time so songs still keep time. Each calls one render
// function from a thread of its own, saying when the buffer will be heard.
#include <cstdint>
#include <memory>
#include <optional>

// What every output asks for: CD rate, stereo, a device buffer of 1024 frames
// (~23 ms). A sound card may give another rate or channel count.
constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kOutputBufferFrames = 1024;

struct DeviceFormat {
    int rate = kOutputRate;
    int channels = kOutputChannels;
};

// Fills `frames` interleaved float frames at `out`; the first of them will
// be heard at `playsAtNs` (monotonic clock). Runs on the output's thread: no
// locks, no allocation, no waiting.
using RenderFunction = void (*)(void* user, float* out, int frames, std::int64_t playsAtNs);

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    const DeviceFormat& format() const { return deviceFormat; }
    // "sound server", "sound card" or "silent output".
    virtual const char* name() const = 0;

    // Outputs open paused; this lets them run.
    virtual void resume() = 0;
    // Stops asking for sound, keeping what was handed over but not yet
    // heard: resume plays on from the very next sample.
    virtual void pause() = 0;
    // Sets the loudness of everything played, 0 to 1 of full, as the
    // device's own volume for it: a sound server's for the stream. False
    // where there is none; the samples are then scaled instead.
    virtual bool setVolume(double) { return false; }
    // The device's volume for everything played, as it is now: a mixer may
    // have changed it since it was set. None where the device has none.
    virtual std::optional<double> deviceVolume() const { return std::nullopt; }
    // Whether what plays now is silence: no device could be opened.
    virtual bool silent() const { return false; }

protected:
    DeviceFormat deviceFormat;
};

// What plays the sound while no sound server does.
using FallbackOpener = std::unique_ptr<AudioOutput> (*)(RenderFunction render, void* user);

// A stream on the PulseAudio server of this session (PipeWire serves the
// same), whose own latency report dates every buffer, moves between sinks
// included. A server that goes away or restarts is looked for again every
// quarter of a second, one that has not answered yet every second, and used
// as soon as it answers, with no song skipped: until then `fallback` plays
// (at start-up; nullptr: the silent output) or, after a loss, the silent
// output. One line on standard error says when the server is lost and when
// it is back.
std::unique_ptr<AudioOutput> openSoundServer(RenderFunction render, void* user, FallbackOpener fallback);

// The default sound device as SDL finds it (ALSA, a server, or the driver
// named by SDL_AUDIODRIVER); nullptr when none opens. Buffers are dated one
// device buffer ahead: SDL does not say more.
std::unique_ptr<AudioOutput> openSoundCard(RenderFunction render, void* user);

// Plays nothing, in real time: each buffer is rendered on a deadline of the
// monotonic clock, so a busy machine delays buffers but never the song.
std::unique_ptr<AudioOutput> openSilentOutput(RenderFunction render, void* user, DeviceFormat format = {});
