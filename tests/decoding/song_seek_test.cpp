// A seek lands where the whole song, decoded from the start, has the same
// sound: to the sample for FLAC and WAV, within a frame for the lossy kinds.
// Noise, so a sound matches at one place only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "decoding/open_song_decoder.h"
#include "tools/hostile_mp3s.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
std::vector<float> readFrames(SongDecoder& decoder, std::size_t frames) {
    const auto channels = static_cast<std::size_t>(decoder.channels());
    std::vector<float> samples(frames * channels);
    std::size_t got = 0;
    while (got < frames) {
        const std::size_t read = decoder.read(samples.data() + got * channels, std::min<std::size_t>(frames - got, 4096));
        if (read == 0) break;
        got += read;
    }
    samples.resize(got * channels);
    return samples;
}

// Where, within `span` frames of `at`, the whole song holds `heard`, and how
// far from it: the mean squared difference over the song's power there.
struct Match {
    long offset = 0;
    double error = std::numeric_limits<double>::infinity();
};
Match bestMatch(const std::vector<float>& whole, const std::vector<float>& heard, long at, long span, int channels) {
    const long frames = static_cast<long>(heard.size()) / channels;
    Match best;
    for (long offset = -span; offset <= span; ++offset) {
        const long start = at + offset;
        if (start < 0 || (start + frames) * channels > static_cast<long>(whole.size())) continue;
        double difference = 0, power = 1e-12;
        for (long i = 0; i < frames * channels; ++i) {
            const double expected = whole[static_cast<std::size_t>(start * channels + i)];
            difference += (heard[static_cast<std::size_t>(i)] - expected) * (heard[static_cast<std::size_t>(i)] - expected);
            power += expected * expected;
        }
        if (difference / power < best.error) best = {offset, difference / power};
    }
    return best;
}

struct SeekCase {
    const char* ending;
    long tolerance;  // frames either way; 0: the very samples
    long settling;   // frames after the seek not compared: a lossy decoder's warm-up
    // FFmpeg's AAC encoder sends noise as "noise here", which the decoder
    // makes up anew each time: a sweep for it instead.
    bool sweep = false;
};

// 200 Hz rising to 6 kHz over three seconds: no stretch like another.
float sweep(double seconds) {
    const double start = 200, rise = 5800 / 3.0;
    return static_cast<float>(0.5 * std::sin(2 * M_PI * (start * seconds + rise * seconds * seconds / 2)));
}
class SongSeek : public ::testing::TestWithParam<SeekCase> {};
}  // namespace

TEST_P(SongSeek, LandsWhereTheWholeSongHasTheSameSound) {
    const SeekCase& kind = GetParam();
    mp3::TempFolder folder;
    const std::string path = folder / (std::string("song") + kind.ending);
    const mp3::Signal signal = kind.sweep ? mp3::Signal(sweep) : mp3::whiteNoise(0.5);
    if (std::string(kind.ending) == ".mp3") {
        ASSERT_TRUE(mp3::write(path, 3.0, signal));
    } else {
        ASSERT_TRUE(songs::write(path, 3.0, signal));
    }
    const auto decoder = openSongDecoder(path);
    ASSERT_NE(decoder, nullptr);
    const int channels = decoder->channels();
    const std::vector<float> whole = readFrames(*decoder, 1 << 20);
    const long total = static_cast<long>(whole.size()) / channels;
    ASSERT_GT(total, decoder->rate() * 2);

    // After the end was read, the start, a middle on no frame's boundary,
    // and near the end.
    for (const long at : {0L, total / 2 + 123, total - 12000}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(decoder->seekTo(at));
        if (kind.tolerance == 0 && kind.settling == 0) {
            const std::vector<float> heard = readFrames(*decoder, 1 << 20);
            ASSERT_EQ(static_cast<long>(heard.size()) / channels, total - at);
            EXPECT_TRUE(std::equal(heard.begin(), heard.end(), whole.begin() + at * channels));
            continue;
        }
        const std::vector<float> heard = readFrames(*decoder, static_cast<std::size_t>(kind.settling + 4096));
        ASSERT_EQ(static_cast<long>(heard.size()), (kind.settling + 4096) * channels);
        const std::vector<float> settled(heard.begin() + kind.settling * channels, heard.end());
        const Match match = bestMatch(whole, settled, at + kind.settling, kind.tolerance + 64, channels);
        EXPECT_LE(std::labs(match.offset), kind.tolerance);
        EXPECT_LT(match.error, 0.05);
    }

    // Past the end there is nothing to read; back in the song there is again.
    for (const long past : {total, total + 1000, total * 10}) {
        if (decoder->seekTo(past)) {
            EXPECT_TRUE(readFrames(*decoder, 4096).empty()) << past;
        }
    }
    EXPECT_TRUE(decoder->seekTo(total / 3));
    EXPECT_EQ(readFrames(*decoder, 4096).size(), 4096u * channels);
    EXPECT_FALSE(decoder->seekTo(-1));
}

// mpg123 decodes the frames before the place to be primed: the very samples.
// FFmpeg's lossy decoders start afresh and need some sound to settle; all
// were seen to land on the sample, a few frames either way are let pass.
INSTANTIATE_TEST_SUITE_P(Kinds, SongSeek,
                         ::testing::Values(SeekCase{".mp3", 0, 0}, SeekCase{".flac", 0, 0},
                                           SeekCase{".wav", 0, 0}, SeekCase{".ogg", 32, 4096},
                                           SeekCase{".opus", 32, 4096}, SeekCase{".m4a", 32, 4096, true}),
                         [](const auto& info) { return std::string(info.param.ending + 1); });

// Damaged files: a seek anywhere, even past the end, is refused or read from
// safely, the sound within full scale, and the decoder still ends.
TEST(HostileSeek, EachDamagedFileSeeksSafelyOrRefuses) {
    mp3::TempFolder folder;
    std::vector<std::string> files = mp3::writeHostileFiles(folder.path());
    for (const char* ending : {".flac", ".ogg", ".opus", ".m4a", ".aac", ".wav"}) {
        const std::vector<std::string> copies = songs::writeHostileCopies(folder.path(), ending);
        files.insert(files.end(), copies.begin(), copies.end());
    }
    ASSERT_GT(files.size(), 200u);
    std::vector<float> samples(4096 * 2);
    for (const std::string& path : files) {
        const auto decoder = openSongDecoder(path);
        if (!decoder) continue;
        for (const std::int64_t at : {std::int64_t{44100}, std::int64_t{1} << 40, std::int64_t{0}, std::int64_t{1000}}) {
            decoder->seekTo(at);
            std::size_t frames = 0, total = 0;
            while ((frames = decoder->read(samples.data(), 4096)) > 0) {
                total += frames;
                for (std::size_t i = 0; i < frames * decoder->channels(); ++i) {
                    ASSERT_TRUE(std::isfinite(samples[i]) && std::fabs(samples[i]) <= 1.0f) << path;
                }
                ASSERT_LT(total, 10u * 48000) << path << ": a 2-second file decodes to no more than 10 s";
            }
        }
    }
}
