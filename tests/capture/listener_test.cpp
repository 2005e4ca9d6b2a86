// Listening to what another program plays, in step with the speaker: a pipe
// sink drained at real time is the speaker, `pacat` plays noise bursts to
// it, and the picture's level must rise as each burst is heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "analysis/loudness.h"
#include "capture/listener.h"
#include "tools/burst_timing.h"
#include "tools/mp3_maker.h"
#include "tools/pipe_speaker.h"
#include "tools/server_control.h"

namespace {
constexpr double kBurstSeconds = 0.2;

std::string burstFile(const mp3::TempFolder& folder, int bursts) {
    const std::string path = folder / "bursts.raw";
    writeRawBursts(path, bursts, kBurstSeconds);
    return path;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A speaker behind a pipe of this many bytes: 46 ms (wired) or 371 ms
// (the buffer of a Bluetooth headset).
class ListenerSync : public ::testing::TestWithParam<int> {};
}  // namespace

namespace {
// The picture's level, read every millisecond for `seconds` as a fast frame
// loop would, while pacat plays `bursts` to `sink`.
std::vector<LevelReading> readingsWhilePlaying(Listener& listener, const std::string& bursts, const std::string& sink,
                                               double seconds) {
    std::thread player([&] { playRaw(bursts, sink); });
    std::vector<LevelReading> readings;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        const std::int64_t now = monotonicNanoseconds();
        readings.push_back({now, listener.heard(now).level});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    player.join();
    return readings;
}

// Picture minus speaker within 10 ms at the median and 25 at worst (the
// sanitizers slow everything; under TSan the milliseconds are not judged).
void expectInStep(const std::vector<double>& offsets) {
#if !defined(__SANITIZE_THREAD__)
    double medianMs = 10, worstMs = 25;
    // PipeWire's picture runs later, +5 ms at the median alone, up to +11 ms
    // beside other tests and +26 ms once (PulseAudio: +1 to +3 ms): its
    // daemon has no real-time priority here and waits its turn for a core.
    // A capture left undated would still be a pipe's 46 ms or more out.
    const char* server = std::getenv("VIZ_SOUND_SERVER");
    if (server != nullptr && std::string(server) == "pipewire") {
        medianMs += 25;
        worstMs += 35;
    }
#if defined(__SANITIZE_ADDRESS__)
    medianMs += 15;
    worstMs += 25;
#endif
    std::vector<double> sizes;
    for (double offset : offsets) sizes.push_back(std::abs(offset));
    EXPECT_LE(std::abs(median(offsets)), medianMs) << "picture minus speaker, median, ms";
    EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), worstMs) << "picture minus speaker, worst, ms";
#else
    (void)offsets;
#endif
}
}  // namespace

TEST_P(ListenerSync, TheLevelRisesWhenTheSpeakerPlaysEachBurst) {
    const std::string sink = "listened" + std::to_string(GetParam());
    const auto speaker = pipeSinkWithSpeaker(sink, GetParam());
    ASSERT_TRUE(speaker && speaker->listening());
    const auto listener = Listener::open(sink + ".monitor");
    ASSERT_NE(listener, nullptr);
    mp3::TempFolder folder;
    const std::vector<LevelReading> readings = readingsWhilePlaying(*listener, burstFile(folder, 12), sink, 8.5);
    EXPECT_GT(listener->framesCaptured(), 0);
    // The first burst fills an idle pipe sink's pipe: measured from the third.
    const std::vector<std::int64_t> onsets = speaker->burstOnsets(0.05f, 0.1);
    ASSERT_GE(onsets.size(), 10u) << "bursts heard by the speaker";
    const std::vector<std::int64_t> settled(onsets.begin() + 2, onsets.end());
    const std::vector<double> offsets = levelRiseOffsetsMs(readings, settled, kBurstSeconds / 2);
    ASSERT_GE(offsets.size(), 8u) << "bursts seen in the picture";
    expectInStep(offsets);
}

// The user picks another output mid-listen: the capture follows the
// default to the new output's monitor, in step with its own delay.
TEST(ListeningOnServer, FollowsTheDefaultOutputToAnother) {
    const auto wired = pipeSinkWithSpeaker("first-default", 8192);
    const auto headset = pipeSinkWithSpeaker("next-default", 65536);
    ASSERT_TRUE(wired && wired->listening() && headset && headset->listening());
    commandOutput("pactl set-default-sink first-default");
    const auto listener = Listener::open("");
    ASSERT_NE(listener, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    commandOutput("pactl set-default-sink next-default");
    const std::int64_t changed = monotonicNanoseconds();
    mp3::TempFolder folder;
    const std::vector<LevelReading> readings =
        readingsWhilePlaying(*listener, burstFile(folder, 12), "next-default", 8.5);
    const std::vector<double> offsets =
        levelRiseOffsetsMs(readings, headset->burstOnsets(0.05f, 0.1, changed + 1'500'000'000), kBurstSeconds / 2);
    const std::string listenedTo = listener->description();
    // The speakers go with the test: the server's own sink is the default again.
    commandOutput("pactl set-default-sink speaker");
    ASSERT_GE(offsets.size(), 8u) << "bursts on the new default output seen in the picture";
    EXPECT_NE(listenedTo.find("next-default"), std::string::npos) << listenedTo;
    expectInStep(offsets);
}

namespace {
// Whether the listener names `description` within two seconds.
bool describedAs(Listener& listener, const std::string& description) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (listener.description() != description && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return listener.description() == description;
}

// Whether the picture's level rises while `bursts` play on `sink`.
bool loudWhilePlaying(Listener& listener, const std::string& bursts, const std::string& sink) {
    const std::vector<LevelReading> readings = readingsWhilePlaying(listener, bursts, sink, 2.8);
    return std::any_of(readings.begin(), readings.end(), [](const LevelReading& reading) { return reading.level > 0.1f; });
}
}  // namespace

// Right and Left on the selection screen: every output's monitor in the
// server's order, then the inputs, stopping at either end.
TEST(ListeningOnServer, StepsThroughTheOutputsThenTheInputs) {
    const int input = loadNullDevice("step-mic", true);
    const int first = loadNullDevice("step-a", false);
    const int second = loadNullDevice("step-b", false);
    ASSERT_TRUE(input >= 0 && first >= 0 && second >= 0);
    const auto listener = Listener::open("step-a.monitor");
    ASSERT_NE(listener, nullptr);
    EXPECT_TRUE(describedAs(*listener, "Monitor of step-a"));
    listener->step(+1);
    EXPECT_TRUE(describedAs(*listener, "Monitor of step-b"));
    listener->step(+1);
    EXPECT_TRUE(describedAs(*listener, "step-mic")) << "the input, made first, comes after the monitors";
    listener->step(+1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(listener->description(), "step-mic") << "no step beyond the last";
    listener->step(-1);
    listener->step(-1);
    EXPECT_TRUE(describedAs(*listener, "Monitor of step-a"));
    for (int module : {input, first, second}) unloadModule(module);
}

// A source named on the command line goes away: listening waits for it,
// not for another source in its place, and hears it again once it is back.
TEST(ListeningOnServer, ANamedOutputThatGoesAwayIsHeardAgainWhenBack) {
    mp3::TempFolder folder;
    const std::string bursts = burstFile(folder, 2);
    auto speaker = pipeSinkWithSpeaker("vanishing", 8192);
    ASSERT_TRUE(speaker && speaker->listening());
    const auto listener = Listener::open("vanishing.monitor");
    ASSERT_NE(listener, nullptr);
    EXPECT_TRUE(loudWhilePlaying(*listener, bursts, "vanishing"));
    EXPECT_NE(listener->description().find("vanishing"), std::string::npos) << listener->description();

    unloadSink("vanishing");
    speaker.reset();
    EXPECT_FALSE(loudWhilePlaying(*listener, bursts, "speaker")) << "the default output heard in its place";
    speaker = pipeSinkWithSpeaker("vanishing", 8192);
    ASSERT_TRUE(speaker && speaker->listening());
    EXPECT_TRUE(loudWhilePlaying(*listener, bursts, "vanishing")) << "listening again once the output is back";
    unloadSink("vanishing");
}

namespace {
// Plays the bursts on the default output, in the background.
std::thread playInBackground(const std::string& path) {
    return std::thread([path] { playRaw(path, ""); });
}

// Whether more than `frames` have been captured within `seconds`.
bool capturesBeyond(const Listener& listener, std::int64_t frames, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (listener.framesCaptured() <= frames && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return listener.framesCaptured() > frames;
}
}  // namespace

// The default output's monitor, through a server that goes away and comes
// back: listening resumes with no help, and says what it listens to.
TEST(ServerRestartListening, ResumesWhenTheServerIsBack) {
    mp3::TempFolder folder;
    const std::string bursts = burstFile(folder, 2);
    const auto listener = Listener::open("");
    ASSERT_NE(listener, nullptr);
    std::thread before = playInBackground(bursts);
    EXPECT_TRUE(capturesBeyond(*listener, 0, 3.0)) << "the default output's monitor is heard";
    before.join();
    EXPECT_NE(listener->description(), "");

    ASSERT_TRUE(stopSoundServer());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::int64_t whileGone = listener->framesCaptured();
    ASSERT_TRUE(startSoundServer());
    std::thread after = playInBackground(bursts);
    EXPECT_TRUE(capturesBeyond(*listener, whileGone, 3.0)) << "listening again once the server is back";
    after.join();
}

INSTANTIATE_TEST_SUITE_P(Pipes, ListenerSync, ::testing::Values(8192, 65536),
                         [](const auto& info) { return std::to_string(info.param) + "_bytes"; });
