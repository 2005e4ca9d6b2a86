// The sound engine on a real sound server: a private PulseAudio whose
// default sink is a null sink (scripts/with-sound-server starts it around
// this binary). Its tests share one process and one engine, as a run does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/level.h"
#include "media/playback.h"
#include "audio/sound_engine.h"
#include "media/media_library.h"
#include "tools/mp3_maker.h"
#include "tools/sink_recorder.h"

namespace {
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string commandOutput(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        pclose(pipe);
    }
    return output;
}

// The server's streams that belong to this process, and how many of them play.
struct OurStreams {
    int count = 0;
    int playing = 0;
};
OurStreams ourStreams() {
    const std::string listing = commandOutput("pactl list sink-inputs");
    const std::string mine = "application.process.id = \"" + std::to_string(getpid()) + "\"";
    OurStreams streams;
    std::size_t at = 0;
    while ((at = listing.find("Sink Input #", at)) != std::string::npos) {
        const std::size_t next = listing.find("Sink Input #", at + 1);
        const std::string block = listing.substr(at, next - at);
        if (block.find(mine) != std::string::npos) {
            ++streams.count;
            streams.playing += block.find("Corked: no") != std::string::npos;
        }
        at = next;
    }
    return streams;
}

void startAndSettle(const std::string& path) {
    playSong(path.c_str());
    const auto start = Clock::now();
    while (!settleSongStart() && secondsSince(start) < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class SoundServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        unsetenv("SDL_AUDIODRIVER");
        testing::internal::CaptureStdout();
        soundEngine.initialise();
        messages = testing::internal::GetCapturedStdout();
    }
    static std::string messages;
    mp3::TempFolder folder;
};
std::string SoundServer::messages;
}  // namespace

TEST_F(SoundServer, PlaysOnTheServerAsOneStreamWithoutAMessage) {
    EXPECT_EQ(messages, "") << "the server is a sound system";
    ASSERT_FALSE(soundEngine.usesSilentOutput());
    const std::string path = folder / "noise.mp3";
    ASSERT_TRUE(mp3::write(path, 3.0, mp3::whiteNoise(0.5)));
    for (int change = 0; change < 5; ++change) {
        startAndSettle(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(songPlaying);
    computeLevel();
    EXPECT_GT(level, 0.1f) << "the music drives the picture";
    const OurStreams streams = ourStreams();
    EXPECT_EQ(streams.count, 1) << "song changes leave no stream behind";
    EXPECT_EQ(streams.playing, 1);
}

TEST_F(SoundServer, ASongEndsOnTheServersClockAndTheNextPlays) {
    songList = {folder / "one.mp3", folder / "two.mp3"};
    ASSERT_TRUE(mp3::write(songList[0], 1.0, mp3::sine(440, 0.5)));
    ASSERT_TRUE(mp3::write(songList[1], 1.0, mp3::sine(660, 0.5)));
    currentSongIndex = 0;
    const auto start = Clock::now();
    startAndSettle(songList[0]);
    while (!songHasEnded() && secondsSince(start) < 3) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // Its second, the server's buffer and the device buffer before it.
    EXPECT_NEAR(secondsSince(start), 1.0 + 0.05, 0.08);
    advanceSong();
    startAndSettle(songList[1]);
    EXPECT_EQ(currentSongIndex, 1u);
    EXPECT_TRUE(soundEngine.isActive(streamHandle));
}

TEST_F(SoundServer, TheLevelRisesWhenTheSinkPlaysEachBurst) {
    soundEngine.free(streamHandle);  // the sink is quiet for the recorder's reference clicks
    SinkRecorder recorder;
    ASSERT_TRUE(recorder.recording());
    ASSERT_TRUE(recorder.calibrate()) << "the recorder heard its reference clicks";
    std::vector<mp3::Burst> bursts;
    for (int i = 0; i < 10; ++i) bursts.push_back({0.4 + 0.5 * i, 0.6 + 0.5 * i});
    const std::string path = folder / "bursts.mp3";
    ASSERT_TRUE(mp3::write(path, 5.6, mp3::bursts(bursts, mp3::whiteNoise(0.5))));

    std::vector<LevelReading> readings;
    const auto start = Clock::now();
    startAndSettle(path);
    while (secondsSince(start) < 5.7) {
        computeLevel();
        readings.push_back({monotonicNanoseconds(), level});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    recorder.stop();
    std::vector<double> offsets = levelRiseOffsetsMs(readings, recorder.burstOnsets(0.05f, 0.1), 0.1);
    ASSERT_GE(offsets.size(), 8u) << "bursts heard and measured";
    std::sort(offsets.begin(), offsets.end());
    const double median = offsets[offsets.size() / 2];
    EXPECT_LE(std::abs(median), 10.0) << "picture minus sound at the sink, median, ms";
}
