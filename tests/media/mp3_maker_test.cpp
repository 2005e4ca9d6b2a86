// The test MP3s must be what they claim: later tests time songs and bursts
// by them.
#include <mpg123.h>

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

#include "tools/mp3_maker.h"
#include "tools/ramp_continuity.h"

namespace {
struct Decoded {
    long rate = 0;
    int channels = 0;
    long frames = 0;
    float peak = 0;
};

Decoded decode(const std::string& path) {
    Decoded result;
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT, 0);
    if (mpg123_open(handle, path.c_str()) != MPG123_OK) {
        mpg123_delete(handle);
        return result;
    }
    int encoding = 0;
    mpg123_getformat(handle, &result.rate, &result.channels, &encoding);
    float buffer[4096];
    size_t bytes = 0;
    int status;
    do {
        status = mpg123_read(handle, buffer, sizeof buffer, &bytes);
        const size_t samples = bytes / sizeof(float);
        for (size_t i = 0; i < samples; ++i) result.peak = std::max(result.peak, std::fabs(buffer[i]));
        result.frames += static_cast<long>(samples / std::max(1, result.channels));
    } while (status == MPG123_OK || status == MPG123_NEW_FORMAT);
    mpg123_close(handle);
    mpg123_delete(handle);
    return result;
}
}  // namespace

TEST(Mp3Maker, WritesExactLengthsAtEveryRateAndMode) {
    mp3::TempFolder folder;
    struct Case {
        int rate, channels;
        bool vbr;
    };
    for (const Case& c : {Case{44100, 2, false}, Case{22050, 1, false}, Case{48000, 2, true},
                          Case{44100, 1, true}}) {
        mp3::Options options;
        options.format.sampleRate = c.rate;
        options.format.channels = c.channels;
        options.format.vbr = c.vbr;
        const std::string path = folder / "tone.mp3";
        ASSERT_TRUE(mp3::write(path, 1.5, mp3::sine(440, 0.5), options));
        const Decoded decoded = decode(path);
        EXPECT_EQ(decoded.rate, c.rate);
        EXPECT_EQ(decoded.channels, c.channels);
        // The LAME tag lets a gapless decoder drop encoder delay and padding.
        EXPECT_EQ(decoded.frames, static_cast<long>(1.5 * c.rate)) << c.rate << " vbr " << c.vbr;
        EXPECT_NEAR(decoded.peak, 0.5f, 0.05f);
    }
}

TEST(Mp3Maker, TaggedFilesStartWithTheTagAndStillDecode) {
    mp3::TempFolder folder;
    mp3::Options options;
    options.pictureBytes = 500000;
    const std::string path = folder / "tagged.mp3";
    ASSERT_TRUE(mp3::write(path, 1.0, mp3::whiteNoise(0.3), options));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    char head[3] = {};
    ASSERT_EQ(std::fread(head, 1, 3, file), 3u);
    std::fclose(file);
    EXPECT_EQ(std::string(head, 3), "ID3");
    EXPECT_EQ(decode(path).frames, 44100);
}


// The ruler of the songs-without-gaps tests: frames lost at the cut count
// there, and frames lost elsewhere in the ramp count only over the whole.
TEST(RampContinuity, CountsFramesLostAtTheCutApartFromThoseLostElsewhere) {
    constexpr int kRate = 44100;
    const mp3::Signal ramp = rampSignal(4.0);
    std::vector<float> heard;
    for (int frame = 0; frame < 4 * kRate; ++frame) {
        // 100 frames gone at the cut, 236 at 1.2 s, which moves the cut.
        const bool lost = (frame >= 2 * kRate && frame < 2 * kRate + 100) ||
                          (frame >= 6 * kRate / 5 && frame < 6 * kRate / 5 + 236);
        if (!lost) heard.push_back(std::round(ramp(static_cast<double>(frame) / kRate) * 32767) / 32768);
    }
    EXPECT_NEAR(rampContinuity(heard, 2 * kRate).framesSkipped, 100, 2);
    EXPECT_NEAR(rampContinuity(heard).framesSkipped, 336, 2);
}
