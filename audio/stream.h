#pragma once
// One playing song: a decoder thread reads ahead into a lock-free ring that
// the audio callback drains, and keeps a short history of what it decoded
// (mono, at the file's own rate) for the spectrum of what is being heard.
#include <SDL2/SDL_audio.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/mp3_decoder.h"
#include "audio/output_clock.h"
#include "audio/sample_ring.h"

struct DeviceFormat {
    int rate = 44100;
    int channels = 2;
    int latencyFrames = 0;  // how long a handed-over frame waits before it is heard
};

class Stream {
public:
    // Opens and starts decoding `path`; nullptr when it is not a playable MP3.
    static std::unique_ptr<Stream> open(const std::string& path, const DeviceFormat& device);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    void play() { playing.store(true, std::memory_order_release); }

    // Audio callback: fills `frames` device frames (silence where there is
    // nothing to play). Lock-free and allocation-free.
    void render(float* out, int frames, std::int64_t nowNs);

    // Main thread: still playing at `nowNs`, i.e. started and not yet heard to its end.
    bool isActive(std::int64_t nowNs) const;

    // Main thread: the mono mix of the `count` file frames that end
    // `leadFrames` after the frame heard at `nowNs`; zeros outside the song.
    // False when nothing is audible.
    bool audibleWindow(std::int64_t nowNs, int count, int leadFrames, float* out) const;

    const OutputClock& clock() const { return outputClock; }

private:
    explicit Stream(const DeviceFormat& device);
    bool decodeChunk();
    bool roomForChunk() const;
    void queueConverted(const float* samples, std::size_t frames);
    void moveConvertedToRing();
    void finishConversion();
    void decodeLoop();
    void keepHistory(const float* samples, std::size_t frames);
    float historyAt(std::int64_t frame) const;

    DeviceFormat device;
    Mp3Decoder decoder;
    SDL_AudioStream* converter = nullptr;  // null when the file's format is the device's

    SampleRing ring;
    std::size_t chunkFrames = 0;  // file frames decoded per step
    std::vector<float> decodeBuffer;
    std::vector<float> convertBuffer;

    // History of decoded frames, mono, indexed by frame number modulo its size.
    std::unique_ptr<std::atomic<float>[]> history;
    std::atomic<std::int64_t> decodedFrames{0};

    OutputClock outputClock;
    std::atomic<bool> playing{false};
    std::atomic<bool> decodingDone{false};
    std::atomic<bool> drained{false};  // everything was handed to the device
    std::atomic<bool> stopRequested{false};
    std::thread decoderThread;
};
