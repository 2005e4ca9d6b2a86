// Playback through the real engine: SDL output (the silent real-time driver
// where there is no sound card), mpg123 decoding, files made by libmp3lame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "decoding/open_song_decoder.h"
#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/hostile_mp3s.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);
}  // namespace

using Clock = std::chrono::steady_clock;

namespace {
// The spectrum and level the picture would take, measured last.
Loudness heard;

const std::string kInitMessage = "Can't initialize digital sound system";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void waitSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Seconds from now until playback.songHasEnded() turns true, polled every 2 ms as
// the frame loop would.
double secondsUntilEnd(double limit) {
    const auto start = Clock::now();
    while ((!playback.settleSongStart() || !playback.songHasEnded()) && secondsSince(start) < limit) waitSeconds(0.002);
    return secondsSince(start);
}

// The frames after a song change: until the new song is playing or refused.
void settleStart() {
    const auto start = Clock::now();
    while (!playback.settleSongStart()) {
        ASSERT_LT(secondsSince(start), 2.0) << "the song was neither opened nor refused";
        waitSeconds(0.001);
    }
}

class SongPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        // The sound card or its absence decides the output, not the caller's shell.
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("AUDIODEV");
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        // Failure reports went to the captured output too: show them.
        const std::string out = outputTaken ? "" : testing::internal::GetCapturedStdout();
        if (HasFailure()) std::cerr << out;
    }
    // What the system told the user, without the one-time notice that there
    // is no sound card.
    std::string messages() {
        outputTaken = true;
        std::string out = testing::internal::GetCapturedStdout();
        if (soundEngine.usesSilentOutput() && out.rfind(kInitMessage, 0) == 0) {
            out.erase(0, kInitMessage.size());
        }
        return out;
    }
    std::string song(const std::string& name, double seconds, const mp3::Signal& signal,
                     const mp3::Options& options = {}) {
        const std::string path = folder / name;
        EXPECT_TRUE(mp3::write(path, seconds, signal, options));
        return path;
    }

    mp3::TempFolder folder;
    bool outputTaken = false;
};
}  // namespace

TEST_F(SongPlayback, SineOnBin46ReadsAHalfThereAndGivesItsLevel) {
    playback.playSong(song("tone.mp3", 2.0, mp3::sine(46.0 * 44100 / 2048, 0.999)).c_str());
    waitSeconds(0.4);
    heard = playback.heard();
    // LAME gives back a full-scale tone about 5 % quieter (0.95 peak).
    EXPECT_NEAR(heard.spectrum[46], 0.5f, 0.04f);
    EXPECT_NEAR(heard.spectrum[45] / heard.spectrum[46], 0.5f, 0.01f);
    EXPECT_NEAR(heard.spectrum[47] / heard.spectrum[46], 0.5f, 0.01f);
    EXPECT_NEAR(heard.level, 0.0488f, 0.004f);
    EXPECT_EQ(messages(), "");
}

TEST_F(SongPlayback, NothingAudibleGivesASilentSpectrum) {
    heard = playback.heard();
    EXPECT_EQ(heard.level, 0.0f) << "no song yet";

    playback.playSong(song("quiet.mp3", 1.0, mp3::silence()).c_str());
    waitSeconds(0.3);
    heard = playback.heard();
    EXPECT_EQ(heard.level, 0.0f) << "a silent song";

    playback.playSong(song("short.mp3", 0.3, mp3::whiteNoise(0.5)).c_str());
    waitSeconds(0.15);
    heard = playback.heard();
    EXPECT_GT(heard.level, 0.1f) << "noise is heard";
    secondsUntilEnd(2.0);
    waitSeconds(0.05);
    heard = playback.heard();
    EXPECT_EQ(heard.level, 0.0f) << "an ended song leaves no loudness behind";
    for (float magnitude : heard.spectrum) ASSERT_EQ(magnitude, 0.0f);
}

TEST_F(SongPlayback, ShortSongEndsOnTimeAndTheNextStartsWithWrapAround) {
    playback.songList = {song("a.mp3", 0.5, mp3::sine(300, 0.5)), song("b.mp3", 0.5, mp3::sine(400, 0.5)),
                song("c.mp3", 0.5, mp3::sine(500, 0.5))};
    playback.currentSongIndex = 2;
    playback.playSong(playback.songList[2].c_str());
    EXPECT_FALSE(playback.songHasEnded());
    const double seconds = secondsUntilEnd(3.0);
    // Its 0.5 s plus the wait for the device's first buffer (23 ms).
    EXPECT_GE(seconds, 0.48);
    EXPECT_LE(seconds, 0.5 + 0.023 + 0.05);

    const StreamHandle ended = playback.streamHandle;
    playback.advanceSong();
    EXPECT_EQ(playback.currentSongIndex, 0u);
    EXPECT_FALSE(playback.songHasEnded()) << "a song being opened has not ended";
    settleStart();
    EXPECT_TRUE(playback.songPlaying);
    EXPECT_NE(playback.streamHandle, ended);
    EXPECT_FALSE(playback.songHasEnded());
    playback.advanceSong();
    EXPECT_EQ(playback.currentSongIndex, 1u);
    EXPECT_EQ(messages(), "");
}

TEST_F(SongPlayback, OneSongIsFollowedByItself) {
    playback.songList = {song("only.mp3", 0.3, mp3::sine(300, 0.5))};
    playback.currentSongIndex = 0;
    playback.playSong(playback.songList[0].c_str());
    secondsUntilEnd(2.0);
    ASSERT_TRUE(playback.songHasEnded());
    playback.advanceSong();
    settleStart();
    EXPECT_EQ(playback.currentSongIndex, 0u);
    EXPECT_TRUE(soundEngine.isActive(playback.streamHandle)) << "the same song again, from its start";
}

TEST_F(SongPlayback, ASecondSongCutsTheFirstOffAtOnce) {
    playback.playSong(song("loud.mp3", 3.0, mp3::whiteNoise(0.8)).c_str());
    waitSeconds(0.3);
    heard = playback.heard();
    ASSERT_GT(heard.level, 0.3f);
    const StreamHandle first = playback.streamHandle;

    playback.playSong(song("silent.mp3", 3.0, mp3::silence()).c_str());
    heard = playback.heard();
    EXPECT_EQ(heard.level, 0.0f) << "the first song is not heard any more";
    EXPECT_FALSE(soundEngine.isActive(first));
    EXPECT_EQ(soundEngine.streamOf(first), nullptr) << "only one stream exists";
    EXPECT_NE(soundEngine.streamOf(playback.streamHandle), nullptr);
}

TEST_F(SongPlayback, BadFilesAreReportedAndTheSystemGoesOn) {
    mp3::writeEmpty(folder / "empty.mp3");
    mp3::writeRandomBytes(folder / "noise.mp3", 20000);
    mp3::writeTruncated(folder / "cut.mp3", 300);
    mp3::writeTagOnly(folder / "tag.mp3");
    mp3::makeFolder(folder / "folder.mp3");
    mp3::makeFifo(folder / "fifo.mp3");
    mp3::writeUnreadable(folder / "locked.mp3");
    const char* bad[] = {"empty.mp3", "noise.mp3",  "cut.mp3",    "tag.mp3",
                         "folder.mp3", "fifo.mp3", "locked.mp3", "missing.mp3"};
    std::string expected;
    for (const char* name : bad) {
        playback.playSong((folder / name).c_str());
        EXPECT_FALSE(playback.songHasEnded()) << name << ": a song being opened has not ended";
        settleStart();
        EXPECT_EQ(playback.streamHandle, 0u) << name;
        expected += "Can't create stream\n";
    }
    EXPECT_FALSE(playback.songPlaying) << "a refused song never counts as playing";
    EXPECT_FALSE(playback.songHasEnded()) << "so nothing advances after it";
    EXPECT_EQ(messages(), expected);

    playback.playSong(song("good.mp3", 1.0, mp3::sine(440, 0.5)).c_str());
    settleStart();
    EXPECT_TRUE(playback.songPlaying);
    EXPECT_NE(playback.streamHandle, 0u);
}

// Standard output keeps its one text; why, in the user's words, goes to
// standard error once a song, however often it is tried.
TEST_F(SongPlayback, AnUnplayableSongsReasonIsToldOnceOnStandardError) {
    mp3::makeFolder(folder / "folder.mp3");
    mp3::writeEmpty(folder / "empty.mp3");
    {
        std::ofstream text(folder / "notes.flac");
        text << "shopping list: milk, eggs\n";
    }
    const std::pair<const char*, const char*> cases[] = {{"missing.mp3", "no such file"},
                                                         {"folder.mp3", "a folder, not a song"},
                                                         {"empty.mp3", "not an MP3 file"},
                                                         {"notes.flac", "not a FLAC file"}};
    testing::internal::CaptureStderr();
    std::string expectedOut, expectedErr;
    for (int round = 0; round < 2; ++round) {
        for (const auto& [name, reason] : cases) {
            playback.playSong((folder / name).c_str());
            settleStart();
            expectedOut += "Can't create stream\n";
            if (round == 0) expectedErr += "viz: '" + (folder / name) + "': " + reason + "\n";
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expectedErr);
    EXPECT_EQ(messages(), expectedOut);
}

// Right then Left in one frame on the selection screen, a damaged file to
// the right: the damaged song was started, so it is reported, each time,
// though another replaced it before its file had even been opened.
TEST_F(SongPlayback, ASongReplacedWhileItOpensIsStillReported) {
    const std::string good = song("good.mp3", 3.0, mp3::sine(440, 0.5));
    const std::string junk = folder / "junk.mp3";
    mp3::writeRandomBytes(junk, 20000);
    for (int press = 0; press < 5; ++press) {
        playback.playSong(junk.c_str());
        playback.playSong(good.c_str());
        settleStart();
    }
    const auto start = Clock::now();
    while (secondsSince(start) < 1.0) {
        playback.settleSongStart();
        waitSeconds(0.005);
    }
    EXPECT_TRUE(playback.songPlaying) << "the good song plays";
    std::string expected;
    for (int press = 0; press < 5; ++press) expected += "Can't create stream\n";
    EXPECT_EQ(messages(), expected);
}

TEST_F(SongPlayback, TheSoundSystemMessageAppearsOnlyWhenTheOutputFailsAndOnce) {
    const std::string path = song("tone.mp3", 1.0, mp3::sine(440, 0.5));
    for (int i = 0; i < 3; ++i) {
        playback.playSong(path.c_str());
        settleStart();
    }
    outputTaken = true;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, soundEngine.usesSilentOutput() ? kInitMessage : "");
    EXPECT_TRUE(playback.songPlaying);
}

TEST_F(SongPlayback, ADamagedFileThatDecodesFarBeyondFullScaleReadsAsFullScaleAtMost) {
    const std::string path = folder / "overdriven.mp3";
    ASSERT_TRUE(writeBytes(path, mp3::overdrivenMp3()));
    playback.playSong(path.c_str());
    settleStart();
    ASSERT_TRUE(playback.songPlaying);
    waitSeconds(0.3);
    heard = playback.heard();
    EXPECT_GT(heard.level, 0.2f) << "it plays, loud";
    // A windowed signal within -1..1 has no magnitude above 1 (the Hann
    // window sums to half its length, scaled by 2 / length).
    EXPECT_LE(*std::max_element(std::begin(heard.spectrum), std::end(heard.spectrum)), 1.0f);
    EXPECT_LE(heard.level, 50.0f);
}

namespace {
// SDL_AUDIODRIVER names a driver: whether it opens or not, songs play in
// real time, and the user hears of a missing sound system once, unless
// silence is what they asked for.
struct DriverCase {
    const char* name;
    const char* driver;
    const char* device;  // AUDIODEV, for drivers that take one
    bool toldUser;
};
void PrintTo(const DriverCase& c, std::ostream* out) { *out << c.name; }
class NamedDriver : public SongPlayback, public ::testing::WithParamInterface<DriverCase> {};
}  // namespace

TEST_P(NamedDriver, SongsPlayInRealTimeAndTheUserIsToldOnceAtMost) {
    setenv("SDL_AUDIODRIVER", GetParam().driver, 1);
    if (GetParam().device != nullptr) setenv("AUDIODEV", GetParam().device, 1);
    const std::string path = song("one.mp3", 1.0, mp3::whiteNoise(0.5));
    playback.playSong(path.c_str());
    settleStart();
    EXPECT_TRUE(playback.songPlaying);
    EXPECT_NEAR(secondsUntilEnd(3.0), 1.0, 0.1);
    playback.playSong(path.c_str());
    settleStart();
    outputTaken = true;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), GetParam().toldUser ? kInitMessage : "");
}

INSTANTIATE_TEST_SUITE_P(Environment, NamedDriver,
                         ::testing::Values(DriverCase{"alsa_on_a_missing_card", "alsa", "hw:99", true},
                                           DriverCase{"unknown_driver", "no-such-driver", nullptr, true},
                                           DriverCase{"silence_asked_for", "dummy", nullptr, false}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {
struct SpeedCase {
    const char* name;
    int rate, channels;
    bool vbr;
};
void PrintTo(const SpeedCase& c, std::ostream* out) { *out << c.name; }
class PlaybackSpeed : public SongPlayback, public ::testing::WithParamInterface<SpeedCase> {};
}  // namespace

TEST_P(PlaybackSpeed, AThreeSecondFilePlaysForThreeSeconds) {
    mp3::Options options;
    options.format = {GetParam().rate, GetParam().channels, GetParam().vbr, 128};
    playback.playSong(song("three.mp3", 3.0, mp3::sine(440, 0.5), options).c_str());
    const double seconds = secondsUntilEnd(6.0);
    EXPECT_NEAR(seconds, 3.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlaybackSpeed,
                         ::testing::Values(SpeedCase{"mono22k", 22050, 1, false},
                                           SpeedCase{"stereo48k", 48000, 2, false},
                                           SpeedCase{"vbr44k", 44100, 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {
class FormatPlayback : public SongPlayback, public ::testing::WithParamInterface<const char*> {};

// Seconds from `start` until the song playing has ended.
double songSecondsFrom(Clock::time_point start) {
    secondsUntilEnd(4.0);
    return secondsSince(start);
}

// The song's own length, as its decoder gives it.
double decodedSeconds(const std::string& path) {
    const auto decoder = openSongDecoder(path);
    if (!decoder) return 0;
    std::vector<float> samples(4096 * 2);
    double frames = 0;
    while (const std::size_t got = decoder->read(samples.data(), 4096)) frames += static_cast<double>(got);
    return frames / decoder->rate();
}
}  // namespace

// Each kind of file a collection holds plays at its own speed, drives the
// picture, and is followed by the next song.
TEST_P(FormatPlayback, PlaysForItsLengthIsHeardAndTheNextFollows) {
    const std::string first = folder / (std::string("one") + GetParam());
    ASSERT_TRUE(songs::write(first, 1.0, mp3::whiteNoise(0.5)));
    playback.songList = {first, song("two.mp3", 1.0, mp3::sine(440, 0.5))};
    playback.currentSongIndex = 0;
    playback.playSong(first.c_str());
    const auto start = Clock::now();  // the sound system is up from here, as for the MP3s
    settleStart();
    ASSERT_TRUE(playback.songPlaying) << messages();
    waitSeconds(0.4);
    heard = playback.heard();
    EXPECT_GT(heard.level, 0.1f) << "the song drives the picture";
    // A raw .aac keeps its encoder's priming and padding: it cannot say them.
    const double length = decodedSeconds(first);
    EXPECT_NEAR(length, 1.0, 0.05);
    EXPECT_NEAR(songSecondsFrom(start), length, 0.1);
    playback.advanceSong();
    settleStart();
    EXPECT_EQ(playback.currentSongIndex, 1u);
    EXPECT_TRUE(playback.songPlaying);
    EXPECT_EQ(messages(), "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, FormatPlayback, ::testing::Values(".flac", ".ogg", ".opus", ".m4a", ".aac", ".wav"),
                         [](const auto& info) { return std::string(info.param + 1); });

// A file whose space was reserved before it was written: a gigabyte of zeros
// (sparse, nothing on disk) after a second of song. It plays its second,
// not as long as reading the zeros would take, and the next song follows.
TEST_F(SongPlayback, ASongFollowedByAGigabyteOfZerosPlaysItsOwnLengthAndTheNextFollows) {
    for (const char* ending : {".flac", ".wav"}) {
        const std::string padded = folder / (std::string("padded") + ending);
        ASSERT_TRUE(songs::write(padded, 1.0, mp3::whiteNoise(0.5)));
        ASSERT_EQ(truncate(padded.c_str(), 1LL << 30), 0);
        playback.songList = {padded, song("next.mp3", 0.5, mp3::sine(440, 0.5))};
        playback.currentSongIndex = 0;
        playback.playSong(padded.c_str());
        const auto start = Clock::now();
        settleStart();
        ASSERT_TRUE(playback.songPlaying) << ending;
        const double seconds = songSecondsFrom(start);
        EXPECT_GT(seconds, 0.95) << ending;
        EXPECT_LT(seconds, 2.0) << ending;
        playback.advanceSong();
        settleStart();
        EXPECT_EQ(playback.currentSongIndex, 1u) << ending;
        EXPECT_TRUE(playback.songPlaying) << ending;
    }
    EXPECT_EQ(messages(), "");
}

// The rate and the channels change halfway through one file (two songs
// joined): the song plays on, converted, to its whole length. An MP3's
// second half brings its own priming, info frame and padding, which play as
// silence: nothing in a joined file trims them.
TEST_F(SongPlayback, ASongWhoseFormatChangesInsideThePlaysToItsEnd) {
    mp3::Options low;
    low.format = {22050, 1, false, 64};
    const std::string firstMp3 = song("first.mp3", 1.0, mp3::sine(440, 0.5));
    const std::string secondMp3 = song("second.mp3", 1.0, mp3::sine(440, 0.5), low);
    const std::string firstOgg = folder / "first.ogg", secondOgg = folder / "second.ogg";
    ASSERT_TRUE(songs::write(firstOgg, 1.0, mp3::sine(440, 0.5)));
    ASSERT_TRUE(songs::write(secondOgg, 1.0, mp3::sine(440, 0.5), 22050, 1));
    for (const auto& [first, second, joined] : {std::tuple{firstMp3, secondMp3, folder / "joined.mp3"},
                                                std::tuple{firstOgg, secondOgg, folder / "chained.ogg"}}) {
        ASSERT_EQ(std::system(("cat '" + first + "' '" + second + "' > '" + joined + "'").c_str()), 0);
        playback.playSong(joined.c_str());
        const auto start = Clock::now();
        const double seconds = songSecondsFrom(start);
        EXPECT_GT(seconds, 1.9) << joined;
        EXPECT_LT(seconds, 2.4) << joined;
    }
}

// A damaged file between good songs is reported once, and the next song
// starts as if it had ended.
TEST_F(SongPlayback, AnUnplayableSongIsPassedOverAndTheNextPlays) {
    mp3::writeRandomBytes(folder / "junk.flac", 20000);
    playback.currentSongIndex = 0;
    playback.songList = {song("one.mp3", 0.5, mp3::sine(440, 0.5)), folder / "junk.flac",
                         song("three.mp3", 0.5, mp3::sine(440, 0.5))};
    playback.playSong(playback.songList[0].c_str());
    for (int step = 0; step < 2; ++step) {
        secondsUntilEnd(2.0);
        ASSERT_TRUE(playback.songHasEnded()) << "step " << step;
        playback.advanceSong();
        settleStart();
    }
    EXPECT_EQ(playback.currentSongIndex, 2u);
    EXPECT_TRUE(playback.songPlaying);
    EXPECT_EQ(messages(), "Can't create stream\n");
}

// A list of nothing playable is tried once round, then no more, until the
// user picks a song.
TEST_F(SongPlayback, AListOfUnplayableSongsIsTriedOnceRound) {
    mp3::writeRandomBytes(folder / "noise.ogg", 5000);
    mp3::writeEmpty(folder / "empty.wav");
    mp3::makeFolder(folder / "folder.mp3");
    playback.songList = {folder / "noise.ogg", folder / "empty.wav", folder / "folder.mp3"};
    playback.playSong(playback.songList[0].c_str());
    settleStart();
    int advances = 0;
    for (int frame = 0; frame < 100 && playback.songHasEnded(); ++frame) {
        playback.advanceSong();
        settleStart();
        ++advances;
    }
    EXPECT_EQ(advances, 2);
    EXPECT_FALSE(playback.songHasEnded());
    EXPECT_EQ(messages(), "Can't create stream\nCan't create stream\nCan't create stream\n");
}
