#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "analysis/output_clock.h"
#include "output/audio_output.h"

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
        thread = std::jthread([this](std::stop_token stop) { run(stop); });
    }

    const char* name() const override { return "silent output"; }
    bool silent() const override { return true; }
    void resume() override { setRunning(true); }
    void pause() override { setRunning(false); }

private:
    void setRunning(bool run) {
        {
            std::lock_guard<std::mutex> guard(control);
            running = run;
        }
        wake.notify_all();
    }

    // Buffer n starts to play at start + n buffer lengths: deadlines come
    // from the count, so lateness never adds up.
    std::int64_t deadline(std::int64_t buffer) const {
        return startNs + buffer * kOutputBufferFrames * 1'000'000'000LL / deviceFormat.rate;
    }

    void run(std::stop_token stop) {
        std::unique_lock<std::mutex> guard(control);
        std::int64_t next = 0;
        while (!stop.stop_requested()) {
            // Paused: nothing is played, and the buffers go on from the resume.
            if (!running) {
                wake.wait(guard, stop, [this] { return running; });
                startNs = monotonicNanoseconds();
                next = 0;
                continue;
            }
            const auto due = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline(next)));
            wake.wait_until(guard, stop, due, [this] { return !running; });
            if (stop.stop_requested() || !running) continue;
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

    std::mutex control;  // running
    std::condition_variable_any wake;
    bool running = false;
    std::int64_t startNs = 0;  // the output thread's own
    // Last: stopped and joined before anything it uses goes.
    std::jthread thread;
};
}  // namespace

std::unique_ptr<AudioOutput> openSilentOutput(RenderFunction render, void* user, DeviceFormat format) {
    return std::make_unique<SilentOutput>(render, user, format);
}
