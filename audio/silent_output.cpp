#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio/output_clock.h"

namespace {
// Behind by more than this (the process was stopped, the machine suspended),
// the output carries on from now instead of rushing through the gap, as a
// sound card does after an underrun.
constexpr std::int64_t kMaxCatchUpNs = 500'000'000;

class SilentOutput : public AudioOutput {
public:
    SilentOutput(RenderFunction render, void* user, DeviceFormat format)
        : render(render), user(user), buffer(static_cast<std::size_t>(kOutputBufferFrames) * format.channels) {
        deviceFormat = format;
        thread = std::thread(&SilentOutput::run, this);
    }
    ~SilentOutput() override {
        {
            std::lock_guard<std::mutex> guard(control);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }

    const char* name() const override { return "silent output"; }
    bool silent() const override { return true; }
    void resume() override {
        {
            std::lock_guard<std::mutex> guard(control);
            running = true;
        }
        wake.notify_all();
    }

private:
    // Buffer n starts to play at start + n buffer lengths: deadlines come
    // from the count, so lateness never adds up.
    std::int64_t deadline(std::int64_t buffer) const {
        return startNs + buffer * kOutputBufferFrames * 1'000'000'000LL / deviceFormat.rate;
    }

    void run() {
        std::unique_lock<std::mutex> guard(control);
        wake.wait(guard, [this] { return running || stopping; });
        startNs = monotonicNanoseconds();
        std::int64_t next = 0;
        while (!stopping) {
            const auto due = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline(next)));
            if (wake.wait_until(guard, due, [this] { return stopping; })) break;
            guard.unlock();
            const std::int64_t now = monotonicNanoseconds();
            if (now - deadline(next) > kMaxCatchUpNs) {
                startNs = now;
                next = 0;
            }
            // A buffer is "heard" from its deadline on.
            for (; deadline(next) <= now; ++next) render(user, buffer.data(), kOutputBufferFrames, deadline(next));
            guard.lock();
        }
    }

    RenderFunction render;
    void* user;
    std::vector<float> buffer;

    std::mutex control;  // running, stopping
    std::condition_variable wake;
    bool running = false;
    bool stopping = false;
    std::int64_t startNs = 0;  // the output thread's own
    std::thread thread;
};
}  // namespace

std::unique_ptr<AudioOutput> openSilentOutput(RenderFunction render, void* user, DeviceFormat format) {
    return std::make_unique<SilentOutput>(render, user, format);
}
