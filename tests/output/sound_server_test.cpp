// The sound engine on a real sound server: a private PulseAudio whose
// default sink is a null sink (scripts/with-sound-server starts it around
// this binary). Its tests share one process and one engine, as a run does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"
#include "tools/pipe_speaker.h"
#include "tools/ramp_continuity.h"
#include "tools/song_maker.h"
#include "tools/server_control.h"
#include "tools/sink_recorder.h"
#include "tools/stream_mover.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);

// The spectrum and level the picture would take, measured last.
Loudness heard;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

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

// 0.2 s bursts of noise every half second from `first` on.
std::string burstSong(const mp3::TempFolder& folder, int count, double first = 0.4) {
    std::vector<mp3::Burst> bursts;
    for (int i = 0; i < count; ++i) bursts.push_back({first + 0.5 * i, first + 0.2 + 0.5 * i});
    const std::string path = folder / "bursts.mp3";
    mp3::write(path, first + 0.5 * count + 0.3, mp3::bursts(bursts, mp3::whiteNoise(0.5)));
    return path;
}

// The picture's level, read every millisecond for `seconds`, as a fast frame loop would.
std::vector<LevelReading> levelReadings(double seconds, const std::function<void(double)>& at = {}) {
    std::vector<LevelReading> readings;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        heard = playback.heard();
        readings.push_back({monotonicNanoseconds(), heard.level});
        if (at) at(secondsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return readings;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double worst(const std::vector<double>& values) {
    double largest = 0;
    for (double value : values) largest = std::max(largest, std::abs(value));
    return largest;
}

// Picture minus sound within `medianMs` at the median and `worstMs` at
// worst. PipeWire's pulse service reports a stream's latency less well
// than PulseAudio: measured behind its null sink's monitor, the picture
// drifts from +1 ms to between +8 and +40 ms in a stream's first seconds,
// then holds, and so after a restart; there the margins are wider. Under
// the sanitizers every step runs many times slower: ASan alone was seen to
// put the median 11 ms off on PulseAudio and 50 to 130 ms on PipeWire, and
// under TSan everything is off. ASan on PulseAudio gets wider margins; the
// others run for their threads' and memory's sake, the milliseconds unjudged.
bool onPipeWire() {
    const char* server = std::getenv("VIZ_SOUND_SERVER");
    return server != nullptr && std::string(server) == "pipewire";
}

void expectInStep(const std::vector<double>& offsets, double medianMs, double worstMs, const char* when) {
    const bool pipeWire = onPipeWire();
#if defined(__SANITIZE_THREAD__)
    const bool judged = false;
#elif defined(__SANITIZE_ADDRESS__)
    const bool judged = !pipeWire;
#else
    const bool judged = true;
#endif
    if (!judged) return;
    if (pipeWire) {
        medianMs += 45;  // 45.3 ms was seen once, after a restart, beside other tests
        worstMs += 50;
    }
#if defined(__SANITIZE_ADDRESS__)
    medianMs += 15;
    worstMs += 25;
#endif
    EXPECT_LE(std::abs(median(offsets)), medianMs) << "picture minus sound " << when << ", median, ms";
    EXPECT_LE(worst(offsets), worstMs) << "picture minus sound " << when << ", worst, ms";
}

void startAndSettle(const std::string& path) {
    playback.playSong(path.c_str());
    const auto start = Clock::now();
    while (!playback.settleSongStart() && secondsSince(start) < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Ten bursts played on the default sink, heard through its monitor: the
// picture's level rises with each.
void expectInStepAtTheSink(const mp3::TempFolder& folder, const char* when, double medianMs = 10.0) {
    soundEngine.free(playback.streamHandle);  // the sink is quiet for the recorder's reference clicks
    SinkRecorder recorder;
    ASSERT_TRUE(recorder.recording());
    ASSERT_TRUE(recorder.calibrate()) << "the recorder heard its reference clicks";
    startAndSettle(burstSong(folder, 10));
    const std::vector<LevelReading> readings = levelReadings(5.7);
    recorder.stop();
    const std::vector<double> offsets = levelRiseOffsetsMs(readings, recorder.burstOnsets(0.05f, 0.1), 0.1);
    ASSERT_GE(offsets.size(), 8u) << "bursts heard and measured";
    expectInStep(offsets, medianMs, 25.0, when);
}

class SoundServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        unsetenv("SDL_AUDIODRIVER");
        testing::internal::CaptureStdout();
        soundEngine.initialise();
        messages = testing::internal::GetCapturedStdout();
    }
    // A test's song ends with it. Left playing, it would sound into the
    // tests after it, and PipeWire takes a stream that followed the default
    // sink along to each new default: the listening tests heard its bursts
    // between their own on the output they listened to.
    void TearDown() override { soundEngine.free(playback.streamHandle); }
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
    ASSERT_TRUE(playback.songPlaying);
    heard = playback.heard();
    EXPECT_GT(heard.level, 0.1f) << "the music drives the picture";
    const OurStreams streams = ourStreams();
    EXPECT_EQ(streams.count, 1) << "song changes leave no stream behind";
    EXPECT_EQ(streams.playing, 1);
}

TEST_F(SoundServer, ASongEndsOnTheServersClockAndTheNextPlays) {
    playback.songList = {folder / "one.mp3", folder / "two.mp3"};
    ASSERT_TRUE(mp3::write(playback.songList[0], 1.0, mp3::sine(440, 0.5)));
    ASSERT_TRUE(mp3::write(playback.songList[1], 1.0, mp3::sine(660, 0.5)));
    playback.currentSongIndex = 0;
    const auto start = Clock::now();
    startAndSettle(playback.songList[0]);
    while (!playback.songHasEnded() && secondsSince(start) < 3) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // Its second, the server's buffer and the device buffer before it.
    EXPECT_NEAR(secondsSince(start), 1.0 + 0.05, 0.08);
    playback.advanceSong();
    startAndSettle(playback.songList[1]);
    EXPECT_EQ(playback.currentSongIndex, 1u);
    EXPECT_TRUE(soundEngine.isActive(playback.streamHandle));
}

TEST_F(SoundServer, TheLevelRisesWhenTheSinkPlaysEachBurst) { expectInStepAtTheSink(folder, "at the sink"); }

namespace {
// A speaker behind a pipe of this many bytes: two pages (46 ms, a wired
// output) and sixteen (371 ms, the buffer of a Bluetooth headset).
class PipeSpeakerSync : public SoundServer, public ::testing::WithParamInterface<int> {};
}  // namespace

TEST_P(PipeSpeakerSync, TheLevelRisesWhenTheSpeakerPlaysEachBurst) {
    const std::string sink = "pipe" + std::to_string(GetParam());
    const auto speaker = pipeSinkWithSpeaker(sink, GetParam());
    ASSERT_TRUE(speaker && speaker->listening());
    startAndSettle(burstSong(folder, 16));
    moveOurStreamTo(sink);  // the program's stream opened on the null sink
    // From a second after the move, as for any move: a pipe sink that was
    // idle fills its pipe first, and while it does the server's account of
    // its delay lags (the first burst measured 31 ms early behind 64 KB).
    const std::int64_t from = monotonicNanoseconds() + 1'000'000'000;
    const std::vector<LevelReading> readings = levelReadings(7.2);
    const std::vector<double> offsets = levelRiseOffsetsMs(readings, speaker->burstOnsets(0.05f, 0.1, from), 0.1);
    ASSERT_GE(offsets.size(), 8u) << "bursts heard and measured";
    expectInStep(offsets, 10.0, 25.0, "behind the pipe");
}

INSTANTIATE_TEST_SUITE_P(Pipes, PipeSpeakerSync, ::testing::Values(8192, 65536),
                         [](const auto& info) { return std::to_string(info.param) + "_bytes"; });

namespace {
// Songs of a ramp (tools/ramp_continuity.h) played to a speaker behind a
// pipe, the program's stream moved there before they start.
class PipeSongs : public SoundServer, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        sink = "songs" + std::to_string(GetParam());
        speaker = pipeSinkWithSpeaker(sink, GetParam());
        ASSERT_TRUE(speaker && speaker->listening());
        soundEngine.free(playback.streamHandle);
        moveOurStreamTo(sink);
        std::this_thread::sleep_for(std::chrono::seconds(1));  // reopened there, and the pipe filled
    }

    // The next test's sink of the same name is a new one, with a speaker of its own.
    void TearDown() override {
        SoundServer::TearDown();
        speaker.reset();
        unloadSink(sink);
    }

    // Plays the list from its first song as the frame loop does, for `seconds`;
    // `each` runs every frame.
    void playFrames(double seconds, const std::function<void(double)>& each = {}) {
        playback.pickSong(0);
        const auto start = Clock::now();
        while (secondsSince(start) < seconds) {
            playback.settleSongStart();
            if (playback.songHasEnded()) playback.advanceSong();
            if (each) each(secondsSince(start));
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    }

    // Follows the ramps, so the list comes round to them only after the test.
    std::string quietSong() {
        const std::string path = folder / "quiet.wav";
        songs::writeWav(path, 3.0, mp3::silence());
        return path;
    }

    std::string sink;
    std::unique_ptr<PipeSpeaker> speaker;
};
constexpr int kRate = PipeSpeaker::kRate;
}  // namespace

// One ramp cut in two songs: the second follows the first's last sample
// with its own first, and the list's index moves on when that is heard.
TEST_P(PipeSongs, TwoHalvesOfOneSongPlayAsOne) {
    playback.songList = {folder / "first.wav", folder / "second.wav", quietSong()};
    ASSERT_TRUE(songs::writeWav(playback.songList[0], 2.0, rampSignal(4.0)));
    ASSERT_TRUE(songs::writeWav(playback.songList[1], 2.0, rampSignal(4.0, 2.0)));
    std::int64_t advancedAtNs = 0;
    playFrames(5.0, [&](double) {
        if (advancedAtNs == 0 && playback.currentSongIndex == 1) advancedAtNs = monotonicNanoseconds();
    });
    soundEngine.free(playback.streamHandle);
    // PipeWire's pipe sink falls behind now and then; the speaker plays
    // silence meanwhile, which is not the program's. What is lost or repeated
    // is measured at the cut, 2 s into the ramp, where the songs meet.
    const RampContinuity ramp = rampContinuity(speaker->written(), 2 * kRate);
    EXPECT_NEAR(ramp.rampFrames, 4 * kRate, kRate / 100) << "both songs heard";
    EXPECT_EQ(ramp.silentWithin, 0) << "frames of silence between the songs, the first after frame "
                                     << ramp.silenceAfter << " of 176400";
    EXPECT_NEAR(ramp.framesSkipped, 0, 2) << "frames lost (+) or repeated (-) at the change";

    // The index changes when the boundary is heard, not when it is decoded
    // (the pipe alone holds 46 or 371 ms).
    const std::vector<float> heard = speaker->heard();
    std::size_t firstRamp = 0;
    while (firstRamp < heard.size() && heard[firstRamp] < 0.1f) ++firstRamp;
    const std::int64_t boundaryHeardNs = speaker->heardAtNs(firstRamp + 2 * kRate);
    ASSERT_NE(advancedAtNs, 0);
    EXPECT_NEAR((advancedAtNs - boundaryHeardNs) / 1e6, 0, 60) << "the advance against the boundary heard, ms";
}

// Paused for a second mid-song: nothing is heard, the song does not end,
// the picture sees silence; then it plays on from the very next frame.
TEST_P(PipeSongs, APausedSongGoesOnFromTheNextFrame) {
    // A pipe sink left with no stream running (ours corked) stops writing,
    // and PipeWire's then drops what it holds (937 frames lost, or 564
    // played twice, measured). Another program's stream keeps it running,
    // as on most desktops. Even so PipeWire's pulse service was seen to play
    // a corked stream's last 689 frames twice, once in five runs behind 64 KB;
    // PulseAudio, with the same client code, never lost or repeated one.
    const SinkKeeper keeper(sink);
    const double slack = onPipeWire() ? 1024 : 2;
    playback.songList = {folder / "ramp.wav", quietSong()};
    ASSERT_TRUE(songs::writeWav(playback.songList[0], 3.0, rampSignal(3.0)));
    bool endedWhilePaused = false;
    float loudestWhilePaused = 0;
    playFrames(4.6, [&](double seconds) {
        if (seconds > 1.2 && seconds < 2.2) {
            playback.pause();
            endedWhilePaused = endedWhilePaused || playback.songHasEnded();
            if (seconds > 1.3) loudestWhilePaused = std::max(loudestWhilePaused, playback.heard().level);
        } else if (seconds >= 2.2) {
            playback.resume();
        }
    });
    soundEngine.free(playback.streamHandle);
    const RampContinuity ramp = rampContinuity(speaker->written());
    EXPECT_NEAR(ramp.rampFrames, 3 * kRate, kRate / 100 + slack) << "the whole song heard";
    EXPECT_NEAR(ramp.silentWithin, kRate, kRate / 10) << "a second of silence, after frame " << ramp.silenceAfter;
    EXPECT_NEAR(ramp.framesSkipped, 0, slack) << "frames lost (+) or repeated (-) across the pause";
    EXPECT_FALSE(endedWhilePaused);
    EXPECT_EQ(loudestWhilePaused, 0.0f);
}

// Ten seconds paused mid-song: afterwards the picture is as in step with
// the speaker as ever.
TEST_P(PipeSongs, InStepAfterTenSecondsPaused) {
    if (GetParam() != 8192) GTEST_SKIP() << "one pipe is enough";
    playback.songList = {burstSong(folder, 14, 0.3)};
    std::int64_t resumedAtNs = 0;
    std::vector<LevelReading> readings;
    playFrames(16.5, [&](double seconds) {
        if (seconds > 1.0 && seconds < 11.0) playback.pause();
        if (seconds >= 11.0 && resumedAtNs == 0) {
            playback.resume();
            resumedAtNs = monotonicNanoseconds();
        }
        if (resumedAtNs != 0) readings.push_back({monotonicNanoseconds(), playback.heard().level});
    });
    soundEngine.free(playback.streamHandle);
    const std::vector<double> offsets =
        levelRiseOffsetsMs(readings, speaker->burstOnsets(0.05f, 0.1, resumedAtNs + 300'000'000), 0.1);
    ASSERT_GE(offsets.size(), 6u) << "bursts heard after the pause: " << speaker->burstOnsets(0.05f, 0.1, resumedAtNs + 300'000'000).size() << " readings " << readings.size();
    expectInStep(offsets, 10.0, 25.0, "after a pause");
}

INSTANTIATE_TEST_SUITE_P(Pipes, PipeSongs, ::testing::Values(8192, 65536),
                         [](const auto& info) { return std::to_string(info.param) + "_bytes"; });

TEST_F(SoundServer, AStreamMovedToAnotherSinkIsBackInStepWithinASecond) {
    const auto wired = pipeSinkWithSpeaker("moved-from", 8192);
    const auto headset = pipeSinkWithSpeaker("moved-to", 65536);
    ASSERT_TRUE(wired && wired->listening() && headset && headset->listening());
    moveOurStreamTo("moved-from");
    startAndSettle(burstSong(folder, 16));
    std::int64_t movedAt = 0;
    const std::vector<LevelReading> readings = levelReadings(8.7, [&](double seconds) {
        if (movedAt == 0 && seconds > 2.1) {
            moveOurStreamTo("moved-to");
            movedAt = monotonicNanoseconds();
        }
    });
    const std::vector<double> offsets =
        levelRiseOffsetsMs(readings, headset->burstOnsets(0.05f, 0.1, movedAt + 1'000'000'000), 0.1);
    ASSERT_GE(offsets.size(), 6u) << "bursts heard on the second sink a second after the move";
    expectInStep(offsets, 10.0, 25.0, "after the move");
}

TEST_F(SoundServer, AStreamWhoseSinkVanishesLandsOnTheDefaultSinkWithinASecond) {
    startAndSettle(burstSong(folder, 20));
    const std::string module = commandOutput("pactl load-module module-null-sink sink_name=doomed");
    ASSERT_FALSE(module.empty());
    moveOurStreamTo("doomed");
    commandOutput("pactl unload-module " + module);  // a headset that disconnects at once
    const auto start = Clock::now();
    while ((sinkOfOurStream() != "speaker" || ourStreams().playing != 1) && secondsSince(start) < 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(secondsSince(start), 1.0) << "the stream is on the default sink and playing";
    EXPECT_EQ(ourStreams().count, 1);
    EXPECT_TRUE(soundEngine.isActive(playback.streamHandle)) << "the song plays on";
}

// A server restarted mid-song (a crash, `systemctl --user restart`): the
// song plays on meanwhile, is heard again within a second of the server
// answering, and the picture is in step with it again. Run on a server of
// its own: the restart is the server's whole state.
class ServerRestart : public SoundServer {};

TEST_F(ServerRestart, AServerThatComesBackIsUsedWithinASecondAndTheSongPlaysOn) {
    testing::internal::CaptureStderr();
    startAndSettle(burstSong(folder, 30));
    const StreamHandle song = playback.streamHandle;
    ASSERT_TRUE(stopSoundServer());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(soundEngine.isActive(song)) << "the song plays on silently";
    ASSERT_TRUE(startSoundServer());
    const auto answered = Clock::now();
    while (ourStreams().playing != 1 && secondsSince(answered) < 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(secondsSince(answered), 1.0) << "heard again on the server";
    EXPECT_EQ(playback.streamHandle, song) << "no song skipped";
    EXPECT_TRUE(soundEngine.isActive(song));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said,
              "viz: the sound server went away; the music plays on silently until it is back\n"
              "viz: the sound server is back\n");

    // A stream's first seconds on a server that has just started, beside
    // other tests on two cores: 10.7 ms was seen once on PulseAudio.
    expectInStepAtTheSink(folder, "after the restart", 15.0);
}

namespace {
void renderSilence(void*, float* out, int frames, std::int64_t) { std::fill(out, out + 2 * frames, 0.0f); }
}  // namespace

// The output destroyed at any moment while a mixer moves its stream about
// (a user quitting mid-move): no callback or timer of ours outlives it.
// ASan and TSan see every cycle.
TEST(SoundServerOutput, IsDestroyedSafelyWhileItsStreamIsBeingMoved) {
    const std::string module = commandOutput("pactl load-module module-null-sink sink_name=elsewhere");
    ASSERT_FALSE(module.empty());
    StreamMover mover("elsewhere", "speaker");
    ASSERT_TRUE(mover.watching());
    constexpr int kCycles = 1500;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr double kMostSeconds = 15;  // a few hundred cycles, each one watched
#else
    constexpr double kMostSeconds = 25;
#endif
    int cycles = 0;
    const auto start = Clock::now();
    for (; cycles < kCycles && secondsSince(start) < kMostSeconds; ++cycles) {
        std::unique_ptr<AudioOutput> output = openSoundServer(&renderSilence, nullptr, nullptr);
        ASSERT_NE(output, nullptr);
        output->resume();
        // Mostly with the timer that makes a moved stream afresh pending;
        // every fourth time about when it fires (the moves settle for 100 ms).
        const int waitMs = cycles % 4 == 3 ? 95 + cycles % 15 : cycles % 5;
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    }
    std::printf("%d outputs made and destroyed, %d moves asked for\n", cycles, mover.moves());
    EXPECT_GT(cycles, 200);
    EXPECT_GT(mover.moves(), cycles / 2) << "the streams were being moved as the outputs went";
    commandOutput("pactl unload-module " + module);
}
