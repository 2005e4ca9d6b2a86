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
    // Lets the output run (it starts paused), or run again after a pause.
    void start();
    // Nothing more is heard until start: the output keeps what it holds and
    // plays on from the very next sample.
    void pause();
    bool paused() const { return !running; }
    // The loudness of the music, 0 to 1: the sound server's volume for the
    // stream, or the samples scaled where there is none.
    void setVolume(double volume);
    // As set, or as a mixer has set the server's volume for the stream since.
    double volume() const;

    // A stream of the file at `path`, to play from `startSeconds` into it,
    // opening on its own thread; 0 when no stream could be made. Any earlier
    // stream is freed first, and the one queued to follow it: one at a time.
    StreamHandle createStream(const std::string& path, double startSeconds = 0);

    // Opens the song to follow the current one, on the same output without
    // a gap: its first sample is played right after the current song's
    // last. Replaces any queued before.
    void queueNext(const std::string& path);
    // The path queued, "" when none.
    const std::string& nextQueued() const { return queuedPath; }
    // Whether the output has gone on to the queued song.
    bool nextHasBegun() const;
    // Once it has: the queued stream becomes the current one (the one before
    // is freed) and its handle is returned. 0 when it has not begun.
    StreamHandle takeUpNext();
    // Forgets the queued song.
    void dropNext();
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
    // Seconds into the song heard now; 0 for 0 or a freed handle.
    double heardSeconds(StreamHandle handle) const;

private:
    static void render(void* engine, float* out, int frames, std::int64_t playsAtNs);
    int renderSongs(float* out, int frames, std::int64_t playsAtNs);
    void setAudible(Stream* stream);
    StreamHandle newHandle();

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
    // The stream that plays on when the audible one has handed over its last
    // sample; the output makes it the audible one then.
    std::atomic<Stream*> following{nullptr};
    std::atomic<float> gain{1.0f};  // the samples' scale, where the output has no volume
    double volumeAsked = 1.0;
    std::atomic<int> rendering{0};
    StreamHandle currentHandle = 0;
    StreamHandle lastHandle = 0;
    std::unique_ptr<Stream> queued;  // owned by the main thread, like `stream`
    std::string queuedPath;
    StreamCloser closer{rendering};

    LoudnessMeter meter;
};
