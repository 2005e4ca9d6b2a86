// Every file of the hostile set (damaged MP3s, other files named .mp3)
// through the real decoder, a real stream and the frames a video copies in:
// none crashes or hangs, each is opened or refused in time, what decodes
// stays within full scale, and the frames hold all the sound decoded.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "audio/mp3_decoder.h"
#include "audio/song_decoder.h"
#include "audio/mp3_frames.h"
#include "audio/song_levels.h"
#include "audio/song_packets.h"
#include "audio/stream.h"
#include "tools/hostile_mp3s.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kBudget = std::chrono::seconds(2);  // per file, on a loaded machine under sanitizers

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override { files = mp3::writeHostileFiles(folder.path()); }
    mp3::TempFolder folder;
    std::vector<std::string> files;
};
}  // namespace

TEST_F(HostileFiles, EachDecodesWithinFullScaleOrIsRefused) {
    ASSERT_GT(files.size(), 200u);
    std::size_t opened = 0;
    std::vector<float> samples(4096 * 2);
    for (const std::string& path : files) {
        const auto start = Clock::now();
        Mp3Decoder decoder;
        if (decoder.open(path)) {
            ++opened;
            std::size_t frames = 0, total = 0;
            while ((frames = decoder.read(samples.data(), 4096)) > 0) {
                total += frames;
                for (std::size_t i = 0; i < frames * decoder.channels(); ++i) {
                    ASSERT_TRUE(std::isfinite(samples[i]) && std::fabs(samples[i]) <= 1.0f) << path;
                }
                ASSERT_LT(total, 10u * 48000) << path << ": a 2-second file decodes to no more than 10 s";
            }
        }
        EXPECT_LT(Clock::now() - start, kBudget) << path;
    }
    // The set holds both kinds: damage a decoder plays through, and files it must refuse.
    EXPECT_GT(opened, files.size() / 3);
    EXPECT_LT(opened, files.size());
}

TEST_F(HostileFiles, EachStreamOpensOrIsRefusedInTimeAndCloses) {
    // A device rate none of the files has, so every playable one is converted.
    const DeviceFormat device{48000, 2};
    std::vector<float> buffer(1024 * 2);
    for (const std::string& path : files) {
        auto stream = Stream::open(path, device);
        ASSERT_NE(stream, nullptr);
        stream->play();
        const auto start = Clock::now();
        while (stream->state() == Stream::State::Opening && Clock::now() - start < kBudget) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_NE(stream->state(), Stream::State::Opening) << path << " was neither opened nor refused";
        for (int i = 0; i < 20 && stream->state() == Stream::State::Playable; ++i) {
            stream->render(buffer.data(), 1024, i * 21'333'333LL);
        }
        const auto closing = Clock::now();
        stream.reset();
        EXPECT_LT(Clock::now() - closing, kBudget) << path;
    }
}

// A video's sound is the file's frames from one before the first the decoder
// gives sound from: they must hold the priming and every sample the pictures
// follow, whatever the damage (mixed layers, a stray frame of another rate
// among the priming).
TEST_F(HostileFiles, EachSongsFramesHoldAllTheSoundThePicturesFollow) {
    std::size_t songs = 0;
    for (const std::string& path : files) {
        SongLevels levels;
        if (!levels.open(path)) continue;
        ++songs;
        Mp3Frames frames;
        ASSERT_TRUE(frames.open(path)) << path << " decodes, but its frames were not found";
        EXPECT_EQ(frames.rate(), levels.sampleRate()) << path;
        std::vector<unsigned char> frame;
        std::int64_t samples = 0;
        int frameSamples = 0;
        while (frames.next(frame, frameSamples)) samples += frameSamples;
        EXPECT_GE(samples, frames.leadingSamples() + levels.frames()) << path;
    }
    EXPECT_GT(songs, files.size() / 3);
}

TEST(HostileOtherKinds, EachDecodesWithinFullScaleOrIsRefusedInTimeAndItsPacketsEnd) {
    mp3::TempFolder folder;
    std::vector<float> samples(4096 * 2);
    for (const char* ending : {".flac", ".ogg", ".opus", ".m4a", ".aac", ".wav"}) {
        const std::vector<std::string> files = songs::writeHostileCopies(folder.path(), ending);
        ASSERT_EQ(files.size(), 7u) << ending;
        for (const std::string& path : files) {
            const auto start = Clock::now();
            if (const auto decoder = openSongDecoder(path)) {
                std::size_t frames = 0, total = 0;
                while ((frames = decoder->read(samples.data(), 4096)) > 0) {
                    total += frames;
                    for (std::size_t i = 0; i < frames * decoder->channels(); ++i) {
                        ASSERT_TRUE(std::isfinite(samples[i]) && std::fabs(samples[i]) <= 1.0f) << path;
                    }
                    ASSERT_LT(total, 10u * 48000) << path << ": a 2-second file decodes to no more than 10 s";
                }
            }
            // The packets a video copies in, read to their end.
            SongPackets packets;
            if (packets.open(path)) {
                std::vector<unsigned char> bytes;
                int samples = 0, count = 0;
                while (packets.next(bytes, samples)) ASSERT_LT(++count, 100000) << path;
            }
            EXPECT_LT(Clock::now() - start, kBudget) << path;
        }
        EXPECT_EQ(openSongDecoder(folder / ("text" + std::string(ending))), nullptr) << ending;
        EXPECT_EQ(openSongDecoder(folder / ("cut0" + std::string(ending))), nullptr) << ending;
    }
}
