#pragma once
// One song: its own thread opens the file, then decodes ahead into a
// lock-free ring that the output drains, and keeps a short history of what it
// decoded (mono, at the file's own rate) for the spectrum of what is heard.
// Nothing here makes the caller wait for the file: opening a damaged file
// or one behind a huge tag happens on the stream's thread.
#include <SDL2/SDL_audio.h>

#include <atomic>
#include <condition_variable>
#include <stop_token>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/mono_history.h"
#include "analysis/output_clock.h"
#include "base/problem.h"
#include "decoding/song_decoder.h"
#include "output/audio_output.h"
#include "output/sample_ring.h"

class Stream {
public:
    enum class State { Opening, Playable, Unplayable };
    // Whether the file turned out playable and, if not, why; readable after
    // the stream is gone: a song replaced while it opened is still reported.
    struct Outcome {
        State state() const { return reached.load(std::memory_order_acquire); }
        // The stream's thread: `reason` is written before Unplayable is.
        std::atomic<State> reached{State::Opening};
        Problem reason;
    };
    using Verdict = std::shared_ptr<const Outcome>;

    // Starts opening `path` and returns at once, to play from `startSeconds`
    // into the song; nullptr only when no thread could be started.
    static std::unique_ptr<Stream> open(const std::string& path, const DeviceFormat& device,
                                        double startSeconds = 0);
    // Stops the decoder and waits for it: at most one decoding step.
    ~Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Playable once the file has given sound; Unplayable when it is not a
    // song that yields any, or could not be opened for any other reason.
    State state() const { return outcome->state(); }
    Verdict verdict() const { return outcome; }

    // Plays from the moment the stream is playable (at once if it is).
    void play() { playRequested.store(true, std::memory_order_release); }

    // Wakes the decoder and tells it to finish; the destructor then waits
    // no longer than the step in progress.
    void requestStop();

    // Output thread: fills up to `frames` device frames, the first of which
    // plays at `playsAtNs`, and returns how many it filled (fewer at the end
    // of the song, or while the decoder is behind). Lock-free and
    // allocation-free.
    int render(float* out, int frames, std::int64_t playsAtNs);
    // Output thread too: every sample of the song has been handed over.
    bool handedAll() const { return drained.load(std::memory_order_acquire); }
    // Whether the output may take it: open and asked to play.
    bool playing() const;

    // Main thread: still playing at `nowNs`, i.e. started and not yet heard to its end.
    bool isActive(std::int64_t nowNs) const;

    // Main thread: the mono mix of the `count` file frames that end
    // `leadFrames` after the frame heard at `nowNs`; zeros outside the song.
    // False when nothing is audible.
    bool audibleWindow(std::int64_t nowNs, int count, int leadFrames, float* out) const;

    const OutputClock& clock() const { return outputClock; }

    // Main thread: seconds into the song heard at `nowNs`; the start
    // position until the first buffer is handed over.
    double heardSeconds(std::int64_t nowNs) const;

private:
    Stream(const std::string& path, const DeviceFormat& device, double startSeconds);
    void run(std::stop_token token);
    // Why the file cannot be played, if so.
    Problem openFile();
    void refuse(Problem why);
    void prefill();
    bool decodeChunk();
    bool waitForRoom(std::size_t samples);
    bool roomForChunk() const;
    void queueConverted(const float* samples, std::size_t frames);
    void moveConvertedToRing();
    void finishConversion();
    void writeAll(const float* samples, std::size_t count);
    bool startAtAskedPosition();

    const std::string path;
    const DeviceFormat device;
    const double startSeconds;

    // Made and set up by the stream's thread before it publishes Playable.
    std::unique_ptr<SongDecoder> decoder;
    int songRate = 0;  // the decoder's, for the main thread
    struct ConverterDeleter {
        void operator()(SDL_AudioStream* converter) const;
    };
    std::unique_ptr<SDL_AudioStream, ConverterDeleter> converter;  // null when the file's format is the device's
    std::unique_ptr<SampleRing> ring;
    std::size_t chunkFrames = 0;  // file frames decoded per step
    std::vector<float> decodeBuffer;
    std::vector<float> convertBuffer;

    // What was decoded, mono, at the file's own rate: ~1.4 s at 48 kHz, well
    // beyond the read-ahead.
    MonoHistory history{1 << 16};

    OutputClock outputClock;
    const std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
    std::atomic<bool> playRequested{false};
    std::atomic<bool> decodingDone{false};
    std::atomic<bool> drained{false};  // everything was handed to the device

    std::mutex wakeMutex;
    std::stop_token stop;  // the decoder thread's own copy
    std::condition_variable_any wake;  // wakes a decoder waiting for room when a stop is asked for
    // Last: stopped and joined before anything it uses goes.
    std::jthread decoderThread;
};
