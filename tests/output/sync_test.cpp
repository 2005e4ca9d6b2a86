// The loudness follows what is heard: a burst shows when the device plays
// it, not when it is decoded and not a buffer late.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);

// The spectrum and level the picture would take, measured last.
Loudness heard;

constexpr double kBurstStart = 0.6;
constexpr std::int64_t kMaxPollGapNs = 3'000'000;

// Plays the file once and returns how long after the burst was heard the
// level passed half its height, in ms; nothing when the machine was too
// busy to poll closely around that moment.
std::optional<double> measureRise(const std::string& path) {
    testing::internal::CaptureStdout();
    playback.playSong(path.c_str());
    testing::internal::GetCapturedStdout();
    const Stream* stream = soundEngine.streamOf(playback.streamHandle);
    if (stream == nullptr) return std::nullopt;

    std::vector<std::pair<std::int64_t, float>> levels;
    const std::int64_t start = monotonicNanoseconds();
    while (monotonicNanoseconds() - start < 1'000'000'000) {
        heard = playback.heard();
        levels.emplace_back(monotonicNanoseconds(), heard.level);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const float steady = levels.back().second;
    EXPECT_GT(steady, 0.15f) << "the burst is loud";

    std::size_t rise = 1;
    while (rise < levels.size() && levels[rise].second <= steady / 2) ++rise;
    if (rise == levels.size()) return std::nullopt;
    if (levels[rise].first - levels[rise - 1].first > kMaxPollGapNs) return std::nullopt;

    // When the output said the burst's first frame would play.
    const OutputClock& clock = stream->clock();
    const auto onsetFrame = static_cast<std::int64_t>(kBurstStart * clock.deviceRate());
    OutputMark mark;
    if (!clock.markHolding(onsetFrame, mark)) return std::nullopt;
    const double heardNs =
        mark.timeNs + (onsetFrame - mark.firstFrame) * 1e9 / clock.deviceRate();
    return (levels[rise].first - heardNs) / 1e6;
}
}  // namespace

TEST(AudioPictureSync, LevelRisesWhenTheBurstIsHeard) {
    mp3::TempFolder folder;
    const std::string path = folder / "burst.mp3";
    ASSERT_TRUE(mp3::write(path, 1.5, mp3::bursts({{kBurstStart, 1.2}}, mp3::whiteNoise(0.5))));

    // A loaded machine may leave the poller asleep across the burst; then
    // the measurement says nothing and is taken again.
    std::optional<double> offsetMs;
    for (int attempt = 0; attempt < 5 && !offsetMs; ++attempt) offsetMs = measureRise(path);
    ASSERT_TRUE(offsetMs.has_value()) << "could not poll closely enough in five tries";
    EXPECT_GE(*offsetMs, -2.0) << "the picture must not show the burst before it is heard";
    EXPECT_LE(*offsetMs, 16.7 + 10.0) << "nor later than one frame and 10 ms";
}
