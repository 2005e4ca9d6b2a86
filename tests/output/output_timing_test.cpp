// The clocks the picture follows the sound by: the silent output's deadlines
// and the log of what each output buffer carried.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/output_clock.h"
#include "output/audio_output.h"

namespace {
// A render function whose thread is held up now and then, as on a busy machine.
struct StalledRenderer {
    std::mutex mutex;
    std::vector<std::int64_t> startTimes;

    static void render(void* self, float* out, int frames, std::int64_t nowNs) {
        auto* renderer = static_cast<StalledRenderer*>(self);
        std::fill(out, out + frames * 2, 0.0f);
        std::size_t calls = 0;
        {
            std::lock_guard<std::mutex> guard(renderer->mutex);
            renderer->startTimes.push_back(nowNs);
            calls = renderer->startTimes.size();
        }
        if (calls % 4 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
};
}  // namespace

TEST(SilentOutput, KeepsRealTimeWhenItsThreadIsHeldUp) {
    StalledRenderer renderer;
    auto output = openSilentOutput(&StalledRenderer::render, &renderer);
    ASSERT_EQ(output->format().rate, 44100);
    const std::int64_t resumed = monotonicNanoseconds();
    output->resume();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double elapsed = (monotonicNanoseconds() - resumed) * 1e-9;
    output.reset();

    std::lock_guard<std::mutex> guard(renderer.mutex);
    const auto& starts = renderer.startTimes;
    ASSERT_GT(starts.size(), 10u);
    // Every buffer starts exactly its place in the song after the first:
    // lateness of the thread never shifts the clock.
    for (std::size_t i = 0; i < starts.size(); ++i) {
        ASSERT_EQ(starts[i] - starts[0], static_cast<std::int64_t>(i) * 1024 * 1'000'000'000LL / 44100) << i;
    }
    EXPECT_NEAR((starts[0] - resumed) * 1e-9, 0.0, 0.05);
    // A quarter of the buffers hold the thread up for 40 ms; it catches up.
    const double played = starts.size() * 1024 / 44100.0;
    EXPECT_NEAR(played, elapsed, 3 * 1024 / 44100.0 + 0.04);
}

TEST(OutputClock, TheLatestMarkIsAlwaysWholeWhileTheOutputWrites) {
    OutputClock clock;
    clock.configure(44100);
    std::atomic<bool> stop{false};
    // The writer laps the whole log every few microseconds.
    std::thread writer([&] {
        for (std::int64_t i = 0; !stop.load(std::memory_order_relaxed); ++i) clock.record(i * 1000, 7);
    });
    OutputMark mark;
    while (!clock.latest(mark)) std::this_thread::yield();  // the first buffer
    int torn = 0, wrong = 0;
    for (int i = 0; i < 200'000; ++i) {
        if (!clock.latest(mark)) ++torn;
        else if (mark.frames != 7 || mark.firstFrame != mark.timeNs / 1000 * 7) ++wrong;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0) << "a torn read is a retry, not missing data";
    EXPECT_EQ(wrong, 0) << "marks mixed from two buffers";
}
