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
    closer.close(std::move(stream));
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

void SoundEngine::setAudible(Stream* next) { audible.store(next); }

StreamHandle SoundEngine::createStream(const std::string& path) {
    free(currentHandle);
    std::unique_ptr<Stream> opened = Stream::open(path, format);
    if (!opened) return 0;
    stream = std::move(opened);
    setAudible(stream.get());
    if (++lastHandle == 0) ++lastHandle;  // 0 means "none"
    currentHandle = lastHandle;
    return currentHandle;
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
    setAudible(nullptr);  // silent from the next buffer on
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
    if (Stream* playing = engine->audible.load()) {
        playing->render(out, frames, playsAtNs);
    } else {
        std::fill(out, out + static_cast<std::ptrdiff_t>(frames) * engine->format.channels, 0.0f);
    }
    engine->rendering.fetch_sub(1);
}
