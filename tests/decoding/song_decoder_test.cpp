// The other kinds decode to the song's own length, the priming and padding
// their containers declare trimmed: nothing added at the start that would
// put the pictures late, nothing lost.
#include <gtest/gtest.h>

#include <vector>

#include "decoding/open_song_decoder.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
struct LengthCase {
    const char* ending;
    int rate;        // what the decoder gives
    int tolerance;   // frames either way
};
class DecodedLength : public ::testing::TestWithParam<LengthCase> {};
}  // namespace

TEST_P(DecodedLength, IsTheSongsOwn) {
    mp3::TempFolder folder;
    const std::string path = folder / (std::string("second") + GetParam().ending);
    ASSERT_TRUE(songs::write(path, 1.0, mp3::sine(440, 0.5)));
    const auto decoder = openSongDecoder(path);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->rate(), GetParam().rate);
    std::vector<float> samples(4096 * 2);
    long frames = 0;
    while (const std::size_t got = decoder->read(samples.data(), 4096)) frames += static_cast<long>(got);
    EXPECT_NEAR(frames, GetParam().rate, GetParam().tolerance);
}

// FLAC, WAV and Opus (its pre-skip) to the frame; Vorbis to its first block
// (FFmpeg's decoder gives nothing for it); AAC in MP4 trims its priming by
// the edit list, not the encoder's padding at the end (under a frame).
INSTANTIATE_TEST_SUITE_P(Kinds, DecodedLength,
                         ::testing::Values(LengthCase{".flac", 44100, 0}, LengthCase{".wav", 44100, 0},
                                           LengthCase{".opus", 48000, 0}, LengthCase{".ogg", 44100, 128},
                                           LengthCase{".m4a", 44100, 1023}),
                         [](const auto& info) { return std::string(info.param.ending + 1); });
