#include "output/sound_engine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
// The driver the user named in SDL_AUDIODRIVER, or nullptr.
const char* namedDriver() {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    return driver != nullptr && driver[0] != '\0' ? driver : nullptr;
}
}  // namespace

SoundEngine::~SoundEngine() {
    // Runs at exit(0) too: stop the output first, so nothing renders, then
    // the streams close (the closer joins their decoders when it goes).
    output.reset();
    audible.store(nullptr);
    following.store(nullptr);
    closer.close(std::move(stream));
    closer.close(std::move(queued));
}

void SoundEngine::open() {
    if (output) return;
    const char* driver = namedDriver();
    const bool silenceWanted = driver != nullptr && std::strcmp(driver, "dummy") == 0;
    // The session's sound server knows when each buffer is heard, and is
    // used whenever it answers; until then SDL plays, or silence. A driver
    // the user names is used alone.
    if (driver == nullptr) output = openSoundServer(render, this, &openSoundCard);
    if (!output && !silenceWanted) output = openSoundCard(render, this);
    // No sound card, or it is busy, or the driver asked for cannot open.
    if (!output) output = openSilentOutput(render, this);
    silent = output->silent();
    format = output->format();
    quietFallback = silenceWanted;
}

bool SoundEngine::initialise() {
    open();
    if (fallbackReported) return true;
    fallbackReported = true;
    return quietFallback || !silent;
}

void SoundEngine::start() {
    if (!output || running) return;
    output->resume();
    running = true;
}

void SoundEngine::pause() {
    if (!output || !running) return;
    output->pause();
    running = false;
}

void SoundEngine::setVolume(double level) {
    volumeAsked = std::clamp(level, 0.0, 1.0);
    const bool deviceVolume = output && output->setVolume(volumeAsked);
    gain.store(deviceVolume ? 1.0f : static_cast<float>(volumeAsked));
}

double SoundEngine::volume() const {
    const std::optional<double> device = output ? output->deviceVolume() : std::nullopt;
    return device.value_or(volumeAsked);
}

void SoundEngine::setAudible(Stream* next) { audible.store(next); }

StreamHandle SoundEngine::newHandle() {
    if (++lastHandle == 0) ++lastHandle;  // 0 means "none"
    return lastHandle;
}

StreamHandle SoundEngine::createStream(const std::string& path, double startSeconds) {
    free(currentHandle);
    dropNext();
    std::unique_ptr<Stream> opened = Stream::open(path, format, startSeconds);
    if (!opened) return 0;
    stream = std::move(opened);
    setAudible(stream.get());
    currentHandle = newHandle();
    return currentHandle;
}

void SoundEngine::queueNext(const std::string& path) {
    dropNext();
    std::unique_ptr<Stream> opened = Stream::open(path, format);
    if (!opened) return;
    opened->play();
    queued = std::move(opened);
    queuedPath = path;
    following.store(queued.get());
}

bool SoundEngine::nextHasBegun() const { return queued && audible.load() == queued.get(); }

StreamHandle SoundEngine::takeUpNext() {
    if (!nextHasBegun()) return 0;
    following.store(nullptr);
    closer.close(std::move(stream));  // the output has left it: it is audible no more
    stream = std::move(queued);
    queuedPath.clear();
    currentHandle = newHandle();
    return currentHandle;
}

// Whoever takes `following` first has the queued stream: the output to play
// it, or this to close it. When the output took it, the song before had
// nothing left to play, so silencing the output loses nothing; the output's
// own switch to it then fails, or is undone here, before it is closed.
void SoundEngine::dropNext() {
    if (!queued) return;
    Stream* expected = queued.get();
    if (!following.compare_exchange_strong(expected, nullptr)) audible.store(nullptr);
    closer.close(std::move(queued));
    queuedPath.clear();
}

Stream::State SoundEngine::openState(StreamHandle handle) const {
    const Stream* opened = streamOf(handle);
    return opened != nullptr ? opened->state() : Stream::State::Unplayable;
}

Stream::Verdict SoundEngine::verdictOf(StreamHandle handle) const {
    const Stream* opened = streamOf(handle);
    return opened != nullptr ? opened->verdict() : nullptr;
}

bool SoundEngine::play(StreamHandle handle) {
    if (handle == 0 || handle != currentHandle || !output) return false;
    stream->play();
    return true;
}

void SoundEngine::free(StreamHandle handle) {
    if (handle == 0 || handle != currentHandle) return;
    // Silent from the next buffer on; what was to follow it follows nothing.
    following.store(nullptr);
    setAudible(nullptr);
    closer.close(std::move(stream));
    currentHandle = 0;
}

bool SoundEngine::isActive(StreamHandle handle) const {
    const Stream* playing = streamOf(handle);
    return playing != nullptr && playing->isActive(monotonicNanoseconds());
}

const Stream* SoundEngine::streamOf(StreamHandle handle) const {
    return handle != 0 && handle == currentHandle ? stream.get() : nullptr;
}

double SoundEngine::heardSeconds(StreamHandle handle) const {
    const Stream* playing = streamOf(handle);
    return playing != nullptr ? playing->heardSeconds(monotonicNanoseconds()) : 0.0;
}

Loudness SoundEngine::heard(StreamHandle handle) {
    const Stream* playing = streamOf(handle);
    return meter.measure(playing != nullptr && playing->audibleWindow(monotonicNanoseconds(), FftAnalyser::kWindow,
                                                                      kSpectrumLead, meter.window()));
}

// The count goes up before the stream is taken and down after it is done
// with (all sequentially consistent): a closer that finds it at 0 after a
// stream was handed over knows no buffer still reads that stream.
void SoundEngine::render(void* user, float* out, int frames, std::int64_t playsAtNs) {
    auto* engine = static_cast<SoundEngine*>(user);
    engine->rendering.fetch_add(1);
    const int filled = engine->renderSongs(out, frames, playsAtNs);
    const std::ptrdiff_t channels = engine->format.channels;
    std::fill(out + filled * channels, out + frames * channels, 0.0f);
    const float scale = engine->gain.load(std::memory_order_relaxed);
    if (scale != 1.0f) {
        for (float* sample = out; sample != out + filled * channels; ++sample) *sample *= scale;
    }
    engine->rendering.fetch_sub(1);
}

// The audible song, and once it has handed over its last sample, the one
// queued to follow it, from the next sample of the same buffer. The output
// first takes the queued stream out of `following` (dropNext cannot close
// it after that without silencing the output), then makes it audible, unless
// a song change on the main thread cleared the audible stream meanwhile.
int SoundEngine::renderSongs(float* out, int frames, std::int64_t playsAtNs) {
    Stream* playing = audible.load();
    if (playing == nullptr) return 0;
    int filled = playing->render(out, frames, playsAtNs);
    if (filled == frames || !playing->handedAll()) return filled;
    Stream* next = following.load();
    if (next == nullptr || !next->playing() || !following.compare_exchange_strong(next, nullptr)) return filled;
    if (!audible.compare_exchange_strong(playing, next)) return filled;
    const std::int64_t offsetNs = static_cast<std::int64_t>(filled) * 1'000'000'000LL / format.rate;
    filled += next->render(out + static_cast<std::ptrdiff_t>(filled) * format.channels, frames - filled,
                           playsAtNs + offsetNs);
    return filled;
}
