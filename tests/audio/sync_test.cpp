// The loudness follows what is heard: a burst shows when the device plays
// it, not when it is decoded and not a buffer late.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "audio/level.h"
#include "audio/playback.h"
#include "audio/sound_engine.h"
#include "tools/mp3_maker.h"

TEST(AudioPictureSync, LevelRisesWhenTheBurstIsHeard) {
    constexpr double kBurstStart = 0.6;
    mp3::TempFolder folder;
    const std::string path = folder / "burst.mp3";
    ASSERT_TRUE(mp3::write(path, 1.5, mp3::bursts({{kBurstStart, 1.2}}, mp3::whiteNoise(0.5))));

    testing::internal::CaptureStdout();
    playSong(path.c_str());
    testing::internal::GetCapturedStdout();
    const Stream* stream = soundEngine.streamOf(streamHandle);
    ASSERT_NE(stream, nullptr);

    // Poll much faster than frames come; the burst shows once the level
    // passes half of what it gives when fully in the window.
    std::vector<std::pair<std::int64_t, float>> levels;
    const std::int64_t start = monotonicNanoseconds();
    while (monotonicNanoseconds() - start < 1'000'000'000) {
        computeLevel();
        levels.emplace_back(monotonicNanoseconds(), level);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const float steady = levels.back().second;
    ASSERT_GT(steady, 0.15f) << "the burst is loud";
    std::int64_t riseNs = 0;
    for (const auto& [timeNs, value] : levels) {
        if (value > steady / 2) {
            riseNs = timeNs;
            break;
        }
    }

    // When the device was handed the burst's first frame, and so heard it.
    const OutputClock& clock = stream->clock();
    const auto onsetFrame = static_cast<std::int64_t>(kBurstStart * clock.deviceRate());
    OutputMark mark;
    ASSERT_TRUE(clock.markHolding(onsetFrame, mark));
    const double heardNs = mark.timeNs +
                           (onsetFrame - mark.firstFrame + clock.latency()) * 1e9 / clock.deviceRate();
    const double offsetMs = (riseNs - heardNs) / 1e6;
    EXPECT_GE(offsetMs, -2.0) << "the picture must not show the burst before it is heard";
    EXPECT_LE(offsetMs, 16.7 + 10.0) << "nor later than one frame and 10 ms";
}
