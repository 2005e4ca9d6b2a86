#include "audio/stream.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
constexpr std::size_t kChunkFrames = 2048;     // decoded per step, at most
constexpr std::size_t kRingFrames = 16384;     // read-ahead: ~0.37 s at 44.1 kHz
constexpr std::int64_t kHistoryFrames = 1 << 16;  // ~1.4 s at 48 kHz, well beyond the read-ahead
constexpr std::size_t kPrefillFrames = 8192;   // decoded before play, so the first buffer is music
constexpr auto kDecoderNap = std::chrono::milliseconds(10);
}  // namespace

Stream::Stream(const DeviceFormat& format)
    : device(format),
      ring(kRingFrames * format.channels),
      history(std::make_unique<std::atomic<float>[]>(kHistoryFrames)) {
    outputClock.configure(format.rate, format.latencyFrames);
}

std::unique_ptr<Stream> Stream::open(const std::string& path, const DeviceFormat& device) {
    std::unique_ptr<Stream> stream(new Stream(device));
    if (!stream->decoder.open(path)) return nullptr;

    const int rate = stream->decoder.rate();
    const int channels = stream->decoder.channels();
    if (rate != device.rate || channels != device.channels) {
        stream->converter = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(channels), rate,
                                               AUDIO_F32SYS, static_cast<Uint8>(device.channels),
                                               device.rate);
        if (stream->converter == nullptr) return nullptr;
    }
    // A chunk, once converted, must fit a quarter of the ring however far
    // apart the rates are (an 8 kHz file on a 96 kHz device grows twelvefold).
    stream->chunkFrames = std::clamp<std::size_t>(kRingFrames / 4 * rate / device.rate, 64, kChunkFrames);
    stream->decodeBuffer.resize(stream->chunkFrames * channels);
    const std::size_t convertedFrames = stream->chunkFrames * device.rate / rate + 256;
    stream->convertBuffer.resize(convertedFrames * device.channels);

    // A file that yields no sound at all is not a song: an ID3 tag alone,
    // a cut-off header, noise that happened to look like a frame.
    if (!stream->decodeChunk()) return nullptr;
    while (stream->decodedFrames.load() < static_cast<std::int64_t>(kPrefillFrames) &&
           stream->roomForChunk() && stream->decodeChunk()) {
    }
    stream->decoderThread = std::thread(&Stream::decodeLoop, stream.get());
    return stream;
}

Stream::~Stream() {
    stopRequested.store(true);
    if (decoderThread.joinable()) decoderThread.join();
    if (converter != nullptr) SDL_FreeAudioStream(converter);
}

// Decodes one chunk and queues it for the device; false at the end of the file.
bool Stream::decodeChunk() {
    const std::size_t frames = decoder.read(decodeBuffer.data(), chunkFrames);
    if (frames == 0) {
        finishConversion();
        decodingDone.store(true, std::memory_order_release);
        return false;
    }
    keepHistory(decodeBuffer.data(), frames);
    queueConverted(decodeBuffer.data(), frames);
    return true;
}

void Stream::keepHistory(const float* samples, std::size_t frames) {
    const int channels = decoder.channels();
    const std::int64_t first = decodedFrames.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < frames; ++i) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += samples[i * channels + c];
        history[(first + static_cast<std::int64_t>(i)) % kHistoryFrames].store(
            sum / channels, std::memory_order_relaxed);
    }
    decodedFrames.store(first + static_cast<std::int64_t>(frames), std::memory_order_release);
}

// Writes everything, waiting for the callback to make room when the ring is full.
static void writeAll(SampleRing& ring, const float* samples, std::size_t count,
                     const std::atomic<bool>& stop) {
    while (count > 0 && !stop.load(std::memory_order_relaxed)) {
        const std::size_t written = ring.write(samples, count);
        samples += written;
        count -= written;
        if (count > 0) std::this_thread::sleep_for(kDecoderNap);
    }
}

void Stream::queueConverted(const float* samples, std::size_t frames) {
    if (converter == nullptr) {
        writeAll(ring, samples, frames * device.channels, stopRequested);
        return;
    }
    SDL_AudioStreamPut(converter, samples,
                       static_cast<int>(frames * decoder.channels() * sizeof(float)));
    moveConvertedToRing();
}

void Stream::moveConvertedToRing() {
    while (SDL_AudioStreamAvailable(converter) > 0) {
        const int bytes = SDL_AudioStreamGet(converter, convertBuffer.data(),
                                             static_cast<int>(convertBuffer.size() * sizeof(float)));
        if (bytes <= 0) break;
        writeAll(ring, convertBuffer.data(), bytes / sizeof(float), stopRequested);
    }
}

void Stream::finishConversion() {
    if (converter == nullptr) return;
    SDL_AudioStreamFlush(converter);
    moveConvertedToRing();
}

bool Stream::roomForChunk() const { return ring.freeSpace() >= convertBuffer.size(); }

void Stream::decodeLoop() {
    while (!stopRequested.load(std::memory_order_relaxed)) {
        if (!roomForChunk()) {
            std::this_thread::sleep_for(kDecoderNap);
            continue;
        }
        if (!decodeChunk()) return;
    }
}

void Stream::render(float* out, int frames, std::int64_t nowNs) {
    const std::size_t wanted = static_cast<std::size_t>(frames) * device.channels;
    std::size_t got = 0;
    if (playing.load(std::memory_order_acquire)) {
        const bool finalSamples = decodingDone.load(std::memory_order_acquire);
        got = ring.readInto(out, wanted);
        // Only buffers that carry music mark the clock: the device plays the
        // last of them out, and an empty buffer after it must not hold the
        // song's end back.
        if (got > 0) outputClock.record(nowNs, static_cast<std::int32_t>(got / device.channels));
        if (finalSamples && ring.empty()) drained.store(true, std::memory_order_release);
    }
    std::fill(out + got, out + wanted, 0.0f);
}

bool Stream::isActive(std::int64_t nowNs) const {
    if (!playing.load(std::memory_order_acquire)) return false;
    if (!drained.load(std::memory_order_acquire)) return true;
    double heard = 0;
    return outputClock.heardFrame(nowNs, heard) &&
           heard < static_cast<double>(outputClock.framesHanded());
}

float Stream::historyAt(std::int64_t frame) const {
    return history[frame % kHistoryFrames].load(std::memory_order_relaxed);
}

bool Stream::audibleWindow(std::int64_t nowNs, int count, int leadFrames, float* out) const {
    double heardDeviceFrame = 0;
    if (!isActive(nowNs) || !outputClock.heardFrame(nowNs, heardDeviceFrame)) return false;

    const double toSource = static_cast<double>(decoder.rate()) / device.rate;
    const std::int64_t first =
        static_cast<std::int64_t>(heardDeviceFrame * toSource) + leadFrames - count;
    const std::int64_t decoded = decodedFrames.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i) {
        const std::int64_t frame = first + i;
        const bool kept = frame >= 0 && frame < decoded && decoded - frame <= kHistoryFrames;
        out[i] = kept ? historyAt(frame) : 0.0f;
    }
    // The decoder may have overwritten the oldest frames while they were read.
    const std::int64_t decodedAfter = decodedFrames.load(std::memory_order_acquire);
    for (int i = 0; i < count && decodedAfter - (first + i) > kHistoryFrames; ++i) out[i] = 0.0f;
    return true;
}
