// What another program feeds a source may hold anything: NaN, infinities,
// values far past full scale. The picture takes them as silence and full
// scale, and follows the sound as before once they stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "analysis/loudness.h"
#include "analysis/output_clock.h"
#include "capture/listener.h"
#include "media/playback.h"
#include "media/song_levels.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"
#include "tools/server_control.h"
#include "tools/song_maker.h"

namespace {
// Raw mono float32 for pacat: `seconds` of `values` over and over.
std::string rawFloats(const mp3::TempFolder& folder, const std::string& name, std::vector<float> values,
                      double seconds) {
    const std::string path = folder / name;
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < static_cast<int>(seconds * Listener::kRate); ++i) {
        const float value = values[static_cast<std::size_t>(i) % values.size()];
        out.write(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return path;
}

// The picture's levels, read as a frame loop would, while pacat plays `raw`
// to the float sink and for half a second after.
std::vector<float> levelsWhilePlaying(Listener& listener, const std::string& raw,
                                      const std::string& sink = "float-sink") {
    std::atomic<bool> played{false};
    std::thread player([&] {
        const std::string command =
            "pacat --raw --format=float32le --rate=44100 --channels=1 --device=" + sink + " '" + raw + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        played = true;
    });
    std::vector<float> levels;
    auto after = std::chrono::steady_clock::time_point::max();
    while (std::chrono::steady_clock::now() < after) {
        if (played && after == std::chrono::steady_clock::time_point::max()) {
            after = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        }
        levels.push_back(listener.heard(monotonicNanoseconds()).level);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    player.join();
    return levels;
}

bool anyAbove(const std::vector<float>& levels, float level) {
    for (float value : levels) {
        if (value > level) return true;
    }
    return false;
}
}  // namespace

TEST(ListeningOnServer, TakesNonFiniteSamplesAsSilence) {
    const std::string load =
        "pactl load-module module-null-sink sink_name=float-sink format=float32le rate=44100 channels=1";
    const std::string module = commandOutput(load + " 2>/dev/null");
    ASSERT_FALSE(module.empty());
    const auto listener = Listener::open("float-sink.monitor");
    ASSERT_NE(listener, nullptr);
    std::vector<float> silence(FftAnalyser::kBins, 0.0f);
    const float silent = levelOf(silence.data());

    mp3::TempFolder folder;
    constexpr float kHuge = 1e30f, kInfinity = std::numeric_limits<float>::infinity();
    const std::string loud = rawFloats(folder, "huge.raw", {kHuge, -kHuge}, 0.4);
    const std::string broken =
        rawFloats(folder, "nan.raw", {std::nanf(""), kInfinity, -kInfinity, std::nanf("")}, 1.0);

    // Heard at all first, so the silence after is the samples', not a capture not yet started.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool heard = false;
    while (!heard && std::chrono::steady_clock::now() < until) heard = anyAbove(levelsWhilePlaying(*listener, loud), silent);
    ASSERT_TRUE(heard) << "far past full scale is heard as full scale";

    for (float level : levelsWhilePlaying(*listener, broken)) {
        ASSERT_TRUE(std::isfinite(level));
        EXPECT_LE(level, silent + 1e-6f) << "NaN and infinities show as zeros would";
    }
    EXPECT_TRUE(anyAbove(levelsWhilePlaying(*listener, loud), silent)) << "the picture follows the sound again";
    unloadModule(std::atoi(module.c_str()));
}

namespace {
float median(std::vector<float> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0f : values[values.size() / 2];
}
}  // namespace

// One way from samples to the level: a song rendered, the same song played
// and the same samples heard on the desktop give the same level. A steady
// tone makes the level the same at every moment, so no clock need agree.
TEST(ListeningOnServer, ASteadyToneReadsTheSameLevelLiveListeningAndRendered) {
    const double hz = 46.0 * Listener::kRate / FftAnalyser::kWindow;  // on bin 46
    const mp3::Signal tone = mp3::sine(hz, 0.5);
    mp3::TempFolder folder;
    const std::string song = folder / "tone.wav";
    ASSERT_TRUE(songs::writeWav(song, 3.0, tone, Listener::kRate, 1));

    SongLevels rendered;
    ASSERT_TRUE(rendered.open(song));
    const float renderedLevel = rendered.levelAt(1.5);
    ASSERT_GT(renderedLevel, 0.02f);  // a quarter on bin 46, times 100 / 1024

    SoundEngine engine;
    Playback playback(engine);
    testing::internal::CaptureStdout();
    playback.playSong(song.c_str());
    std::vector<float> live;
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
         std::chrono::steady_clock::now() < until;) {
        playback.settleSongStart();
        if (const float level = playback.heard().level; level > 0) live.push_back(level);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    engine.free(playback.streamHandle);
    testing::internal::GetCapturedStdout();

    const std::string load =
        "pactl load-module module-null-sink sink_name=tone-sink format=float32le rate=44100 channels=1";
    const std::string module = commandOutput(load + " 2>/dev/null");
    ASSERT_FALSE(module.empty());
    std::vector<float> samples;
    for (int i = 0; i < 3 * Listener::kRate; ++i) samples.push_back(tone(static_cast<double>(i) / Listener::kRate));
    const std::string raw = rawFloats(folder, "tone.raw", samples, 3.0);
    const auto listener = Listener::open("tone-sink.monitor");
    ASSERT_NE(listener, nullptr);
    std::vector<float> listened;
    for (float level : levelsWhilePlaying(*listener, raw, "tone-sink")) {
        if (level > 0) listened.push_back(level);
    }
    unloadModule(std::atoi(module.c_str()));

    // The middle of what each heard: the tone's edges are a window's worth.
    ASSERT_GT(live.size(), 50u);
    ASSERT_GT(listened.size(), 50u);
    EXPECT_NEAR(median(live), renderedLevel, 0.01f * renderedLevel) << "played";
    EXPECT_NEAR(median(listened), renderedLevel, 0.01f * renderedLevel) << "listened to";
}
