#include "output/stream.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "decoding/open_song_decoder.h"

namespace {
constexpr std::size_t kChunkFrames = 2048;     // decoded per step, at most
constexpr std::size_t kRingFrames = 16384;     // read-ahead: ~0.37 s at 44.1 kHz
constexpr std::size_t kPrefillFrames = 8192;   // decoded before play, so the first buffer is music
// The decoder sleeps until the output has played this much of the ring, then
// fills it again: a few wake-ups a second instead of one per buffer.
constexpr std::size_t kRefillFrames = kRingFrames / 2;
constexpr auto kShortestNap = std::chrono::milliseconds(1);
constexpr auto kLongestNap = std::chrono::milliseconds(200);
}  // namespace

Stream::Stream(const std::string& path, const DeviceFormat& format, double startSeconds)
    : path(path), device(format), startSeconds(std::max(0.0, startSeconds)) {
    outputClock.configure(format.rate);
}

std::unique_ptr<Stream> Stream::open(const std::string& path, const DeviceFormat& device, double startSeconds) {
    std::unique_ptr<Stream> stream(new Stream(path, device, startSeconds));
    try {
        stream->decoderThread = std::jthread([opened = stream.get()](std::stop_token stop) { opened->run(stop); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return stream;
}

void Stream::ConverterDeleter::operator()(SDL_AudioStream* converter) const { SDL_FreeAudioStream(converter); }

void Stream::requestStop() { decoderThread.request_stop(); }

// Nothing thrown here leaves the thread: a song that cannot be opened for
// any reason (memory too, for its ring) is refused like a damaged file, and
// one that fails while playing ends there.
void Stream::run(std::stop_token token) {
    stop = std::move(token);
    try {
        // The file is opened even when the stream was replaced meanwhile, so
        // the user still hears whether the song could be played; opening is
        // short (a damaged file is refused within its first frames).
        if (Problem problem = openFile()) {
            refuse(std::move(problem));
            return;
        }
        if (!stop.stop_requested()) prefill();
        outcome->reached.store(State::Playable, std::memory_order_release);
        while (waitForRoom(kRefillFrames * device.channels)) {
            while (roomForChunk() && !stop.stop_requested()) {
                if (!decodeChunk()) return;
            }
        }
    } catch (...) {
        if (state() == State::Opening) refuse("it could not be read");
        decodingDone.store(true, std::memory_order_release);
    }
}

void Stream::refuse(Problem why) {
    outcome->reason = std::move(why);
    outcome->reached.store(State::Unplayable, std::memory_order_release);
}

Problem Stream::openFile() {
    Problem why;
    decoder = openSongDecoder(path, false, &why);
    if (decoder == nullptr) return why;
    const int rate = decoder->rate();
    const int channels = decoder->channels();
    songRate = rate;
    if (rate != device.rate || channels != device.channels) {
        converter.reset(SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(channels), rate, AUDIO_F32SYS,
                                           static_cast<Uint8>(device.channels), device.rate));
        if (converter == nullptr) return "its sample rate cannot be converted to the output's";
    }
    ring = std::make_unique<SampleRing>(kRingFrames * device.channels);
    // A chunk, once converted, must fit a quarter of the ring however far
    // apart the rates are (an 8 kHz file on a 96 kHz device grows twelvefold).
    chunkFrames = std::clamp<std::size_t>(kRingFrames / 4 * rate / device.rate, 64, kChunkFrames);
    decodeBuffer.resize(chunkFrames * channels);
    const std::size_t convertedFrames = chunkFrames * device.rate / rate + 256;
    convertBuffer.resize(convertedFrames * device.channels);

    // A file that yields no sound at all is not a song: an ID3 tag alone,
    // a cut-off header, noise that happened to look like a frame.
    if (startSeconds <= 0) return decodeChunk() ? Problem() : Problem("no sound in it");
    if (decoder->read(decodeBuffer.data(), chunkFrames) == 0) return "no sound in it";
    if (!startAtAskedPosition()) return "it cannot be played from the position asked";
    return {};
}

// The song is playable from its start; the frames read to find that out are
// dropped, and it goes on from the asked position. A position past its end
// plays nothing and ends at once, as the end of the song would.
bool Stream::startAtAskedPosition() {
    const auto frame = static_cast<std::int64_t>(startSeconds * decoder->rate() + 0.5);
    if (!decoder->seekTo(frame)) return false;
    decodeChunk();  // at the end already, it marks the decoding done
    return true;
}

void Stream::prefill() {
    while (history.frames() < static_cast<std::int64_t>(kPrefillFrames) &&
           !stop.stop_requested() && roomForChunk() && decodeChunk()) {
    }
}

// Decodes one chunk and queues it for the device; false at the end of the file.
bool Stream::decodeChunk() {
    const std::size_t frames = decoder->read(decodeBuffer.data(), chunkFrames);
    if (frames == 0) {
        finishConversion();
        decodingDone.store(true, std::memory_order_release);
        return false;
    }
    history.append(decodeBuffer.data(), frames, decoder->channels());
    queueConverted(decodeBuffer.data(), frames);
    return true;
}


// Sleeps until the ring has room for `samples` or a stop is asked for;
// false on a stop. The output frees the ring at its own rate, so the nap is
// how long that takes: nobody needs to wake the decoder but a stop.
bool Stream::waitForRoom(std::size_t samples) {
    std::unique_lock<std::mutex> guard(wakeMutex);
    while (!stop.stop_requested()) {
        const std::size_t space = ring->freeSpace();
        if (space >= samples) return true;
        const double seconds = static_cast<double>((samples - space) / device.channels) / device.rate;
        const auto nap = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double>(seconds));
        wake.wait_for(guard, stop, std::clamp<std::chrono::nanoseconds>(nap, kShortestNap, kLongestNap),
                      [] { return false; });
    }
    return false;
}

// Writes everything, waiting for the output to make room when the ring is full.
void Stream::writeAll(const float* samples, std::size_t count) {
    while (count > 0) {
        const std::size_t written = ring->write(samples, count);
        samples += written;
        count -= written;
        if (count > 0 && !waitForRoom(std::min(count, kRefillFrames * device.channels))) return;
    }
}

void Stream::queueConverted(const float* samples, std::size_t frames) {
    if (converter == nullptr) {
        writeAll(samples, frames * device.channels);
        return;
    }
    SDL_AudioStreamPut(converter.get(), samples, static_cast<int>(frames * decoder->channels() * sizeof(float)));
    moveConvertedToRing();
}

void Stream::moveConvertedToRing() {
    while (SDL_AudioStreamAvailable(converter.get()) > 0) {
        const int bytes = SDL_AudioStreamGet(converter.get(), convertBuffer.data(),
                                             static_cast<int>(convertBuffer.size() * sizeof(float)));
        if (bytes <= 0) break;
        writeAll(convertBuffer.data(), bytes / sizeof(float));
    }
}

void Stream::finishConversion() {
    if (converter == nullptr) return;
    SDL_AudioStreamFlush(converter.get());
    moveConvertedToRing();
}

bool Stream::roomForChunk() const { return ring->freeSpace() >= convertBuffer.size(); }

bool Stream::playing() const {
    return state() == State::Playable && playRequested.load(std::memory_order_acquire);
}

int Stream::render(float* out, int frames, std::int64_t playsAtNs) {
    if (!playing()) return 0;
    const std::size_t wanted = static_cast<std::size_t>(frames) * device.channels;
    const bool finalSamples = decodingDone.load(std::memory_order_acquire);
    const std::size_t got = ring->readInto(out, wanted);
    // Only buffers that carry music mark the clock: the device plays the
    // last of them out, and an empty buffer after it must not hold the
    // song's end back.
    if (got > 0) outputClock.record(playsAtNs, static_cast<std::int32_t>(got / device.channels));
    if (finalSamples && ring->empty()) drained.store(true, std::memory_order_release);
    return static_cast<int>(got / device.channels);
}

double Stream::heardSeconds(std::int64_t nowNs) const {
    double heardDeviceFrame = 0;
    if (!playing() || !outputClock.heardFrame(nowNs, heardDeviceFrame)) return startSeconds;
    return startSeconds + std::max(0.0, heardDeviceFrame) / device.rate;
}

bool Stream::isActive(std::int64_t nowNs) const {
    if (!playing()) return false;
    if (!drained.load(std::memory_order_acquire)) return true;
    double heard = 0;
    return outputClock.heardFrame(nowNs, heard) && heard < static_cast<double>(outputClock.framesHanded());
}

bool Stream::audibleWindow(std::int64_t nowNs, int count, int leadFrames, float* out) const {
    double heardDeviceFrame = 0;
    if (!isActive(nowNs) || !outputClock.heardFrame(nowNs, heardDeviceFrame)) return false;

    const double toSource = static_cast<double>(songRate) / device.rate;
    const std::int64_t first = static_cast<std::int64_t>(heardDeviceFrame * toSource) + leadFrames - count;
    history.read(first, count, out);
    return true;
}
