// A rendered video's loudness is live playback's: the level SongLevels gives
// for a moment is the one the engine computes when that moment is heard.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "analysis/fft_analyser.h"
#include "analysis/loudness.h"
#include "media/song_levels.h"
#include "output/stream.h"
#include "tools/mp3_maker.h"

TEST(SongLevels, GivesTheLevelLivePlaybackShowsAtTheSameMoment) {
    mp3::TempFolder folder;
    const std::string path = folder / "bursts.mp3";
    ASSERT_TRUE(mp3::write(path, 2.0, mp3::bursts({{0.3, 0.9}, {1.2, 1.5}}, mp3::whiteNoise(0.5))));

    // Live: a device at the song's own rate, each buffer heard as it is
    // handed over, driven here on a simulated clock.
    const DeviceFormat device{44100, 2};
    auto stream = Stream::open(path, device);
    ASSERT_NE(stream, nullptr);
    stream->play();
    while (stream->state() == Stream::State::Opening) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(stream->state(), Stream::State::Playable);

    SongLevels offline;
    ASSERT_TRUE(offline.open(path));
    EXPECT_NEAR(offline.seconds(), 2.0, 1e-9);

    FftAnalyser analyser;
    std::vector<float> buffer(1024 * 2), window(FftAnalyser::kWindow), magnitudes(FftAnalyser::kBins);
    const std::int64_t bufferNs = 1024 * 1'000'000'000LL / 44100;
    std::int64_t handed = 0;
    int compared = 0, loud = 0;
    for (double seconds = 0.1; seconds < 1.9; seconds += 0.05) {
        const auto nowNs = static_cast<std::int64_t>(seconds * 1e9);
        // Hand over what the device would have by now, and the next buffer.
        while (handed * bufferNs <= nowNs) {
            stream->render(buffer.data(), 1024, handed * bufferNs);
            ++handed;
            // At a real device's pace, which the decoder keeps ahead of.
            std::this_thread::sleep_for(std::chrono::nanoseconds(bufferNs));
        }
        ASSERT_TRUE(stream->audibleWindow(nowNs, FftAnalyser::kWindow, kSpectrumLead, window.data()));
        analyser.analyse(window.data(), magnitudes.data());
        const float live = levelOf(magnitudes.data());
        // The simulated clock rounds buffer times to nanoseconds, which may
        // move the heard frame by one: a hair of difference, no more.
        EXPECT_NEAR(offline.levelAt(seconds), live, 1e-4 + 1e-3 * live) << "at " << seconds << " s";
        ++compared;
        loud += live > 0.1f;
    }
    EXPECT_GT(compared, 30);
    EXPECT_GT(loud, 10) << "the bursts are heard";
}
