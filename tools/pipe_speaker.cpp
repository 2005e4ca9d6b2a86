#include "tools/pipe_speaker.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "tools/burst_timing.h"

namespace {
constexpr int kFrameBytes = 4;  // two 16-bit channels
constexpr auto kTick = std::chrono::milliseconds(1);

std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

PipeSpeaker::PipeSpeaker(const std::string& fifo, int pipeBytes) {
    descriptor = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return;
    fcntl(descriptor, F_SETPIPE_SZ, pipeBytes);
    startNs = steadyNanoseconds();
    thread = std::thread(&PipeSpeaker::run, this);
}

PipeSpeaker::~PipeSpeaker() { stop(); }

void PipeSpeaker::stop() {
    stopping = true;
    if (thread.joinable()) thread.join();
    if (descriptor >= 0) close(descriptor);
    descriptor = -1;
}

std::vector<float> PipeSpeaker::heard() const {
    std::lock_guard<std::mutex> guard(mutex);
    return samples;
}

std::vector<float> PipeSpeaker::written() const {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<float> fromSink;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!underran[i]) fromSink.push_back(samples[i]);
    }
    return fromSink;
}

// Every millisecond, plays exactly the frames due by now: what the pipe has
// of them, and silence for the rest (the sink fell behind), so the speaker
// never runs fast or slow.
void PipeSpeaker::run() {
    std::vector<unsigned char> bytes;
    std::int64_t played = 0;
    auto tick = std::chrono::steady_clock::now();
    while (!stopping.load()) {
        tick += kTick;
        std::this_thread::sleep_until(tick);
        const std::int64_t due = (steadyNanoseconds() - startNs) * kRate / 1'000'000'000 - played;
        if (due <= 0) continue;
        bytes.assign(static_cast<std::size_t>(due) * kFrameBytes, 0);
        const ssize_t got = read(descriptor, bytes.data(), bytes.size());
        const std::size_t frames = got > 0 ? static_cast<std::size_t>(got) / kFrameBytes : 0;
        std::lock_guard<std::mutex> guard(mutex);
        for (std::int64_t frame = 0; frame < due; ++frame) {
            float mono = 0;
            if (static_cast<std::size_t>(frame) < frames) {
                std::int16_t left = 0, right = 0;
                std::memcpy(&left, &bytes[frame * kFrameBytes], 2);
                std::memcpy(&right, &bytes[frame * kFrameBytes + 2], 2);
                mono = (left + right) / 65536.0f;
            }
            samples.push_back(mono);
            underran.push_back(static_cast<std::size_t>(frame) >= frames);
        }
        played += due;
        underrunFrames += due - static_cast<std::int64_t>(frames);
    }
}

std::vector<std::int64_t> PipeSpeaker::burstOnsets(float threshold, double quietSeconds, std::int64_t fromNs) const {
    std::lock_guard<std::mutex> guard(mutex);
    const std::int64_t first = std::max<std::int64_t>(0, (fromNs - startNs) * kRate / 1'000'000'000);
    return ::burstOnsets(samples, static_cast<std::size_t>(first), startNs, kRate, threshold, quietSeconds);
}
