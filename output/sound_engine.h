#pragma once
// The program's sound engine: one output (a sound card, or silence in real
// time), at most one stream (an MP3 decoded by mpg123), and the spectrum of
// what is being heard.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "analysis/loudness.h"
#include "output/audio_output.h"
#include "output/stream.h"
#include "output/stream_closer.h"

using StreamHandle = std::uint32_t;  // 0: no stream

class SoundEngine {
public:
    SoundEngine() = default;
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // Opens the output, if it is not open yet. Connecting to a sound server
    // that is slow to answer takes up to two seconds: the program does it at
    // start-up, where no frame waits for it. Without a server, SDL or the
    // silent output plays until one answers (the output keeps looking).
    void open();
    // Opens the output if need be. False only the first time, when no sound
    // card could be opened: the engine then plays on silently in real time,
    // so songs still end, advance and drive the picture. A user who asks for
    // SDL_AUDIODRIVER=dummy gets the silent output and true.
    bool initialise();
    // Lets the output run (it starts paused).
    void start();

    // A stream of the file at `path`, opening on its own thread; 0 when no
    // stream could be made. Any earlier stream is freed first: one at a time.
    StreamHandle createStream(const std::string& path);
    // Whether the file turned out playable; Unplayable for 0 or a freed handle.
    Stream::State openState(StreamHandle handle) const;
    // The same, to be read after the stream is freed; nullptr for 0 or a
    // freed handle.
    Stream::Verdict verdictOf(StreamHandle handle) const;
    // Plays the stream from the moment it is open; false without an output.
    bool play(StreamHandle handle);
    // Silences the stream at once and closes it in the background; 0 or a
    // stale handle is ignored.
    void free(StreamHandle handle);
    // True while the stream plays: false until it is open and playing, once
    // it has been heard to its end, and for 0 or a freed handle.
    bool isActive(StreamHandle handle) const;

    // The spectrum and loudness of the stream as heard now; silence when
    // it is not audible.
    Loudness heard(StreamHandle handle);

    // Whether nothing can be heard now: no server, no sound card.
    bool usesSilentOutput() const { return output && output->silent(); }
    // What plays the sound, as the output calls itself; "none" before it opens.
    const char* outputName() const { return output ? output->name() : "none"; }
    // The stream behind `handle`, for measuring; nullptr when there is none.
    const Stream* streamOf(StreamHandle handle) const;

private:
    static void render(void* engine, float* out, int frames, std::int64_t playsAtNs);
    void setAudible(Stream* stream);

    std::unique_ptr<AudioOutput> output;
    DeviceFormat format;  // the output's, for its own thread to read
    bool silent = false;  // at opening
    bool quietFallback = false;     // silence was asked for: no message
    bool fallbackReported = false;  // initialise has told its outcome

    bool running = false;  // the output has been resumed

    std::unique_ptr<Stream> stream;  // owned by the main thread
    // What the output plays, handed over without a lock: a song change must
    // never wait for the output's thread (a sound server's may be busy).
    // `rendering` (output threads inside render: a lost sound server's
    // fallback may briefly overlap it) tells the closer when a handed-over
    // stream is free.
    std::atomic<Stream*> audible{nullptr};
    std::atomic<int> rendering{0};
    StreamHandle currentHandle = 0;
    StreamHandle lastHandle = 0;
    StreamCloser closer{rendering};

    LoudnessMeter meter;
};
