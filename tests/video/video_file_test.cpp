// The video file as a player meets it: FFmpeg's own tools decode the
// colours that were drawn, from streams tagged as they were converted.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mp3_maker.h"
#include "video/song_track.h"
#include "video/video_file.h"

namespace {
using Rgb = std::array<int, 3>;

std::string output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        for (int c; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
        pclose(pipe);
    }
    return text;
}

// A video of solid pictures, one of each colour, with a song's sound.
std::string writeVideo(const std::string& path, const std::string& song, const std::vector<Rgb>& colours) {
    Mp3Frames frames;
    if (!frames.open(song)) return "no song";
    VideoFile::Settings settings;
    settings.path = path;
    settings.width = settings.height = 64;
    settings.fps = FrameRate{24, 1};
    settings.audio = songTrack(frames, frames.rate());
    VideoFile video;
    if (Problem problem = video.open(settings)) return problem.message();
    for (const Rgb& colour : colours) {
        unsigned char* bgra = video.nextPicture();
        for (int i = 0; i < 64 * 64; ++i) {
            bgra[4 * i] = static_cast<unsigned char>(colour[2]);
            bgra[4 * i + 1] = static_cast<unsigned char>(colour[1]);
            bgra[4 * i + 2] = static_cast<unsigned char>(colour[0]);
            bgra[4 * i + 3] = 255;
        }
        if (Problem problem = video.addPicture()) return problem.message();
    }
    return video.finish().message();
}
}  // namespace

TEST(VideoFile, PlayersDecodeTheColoursThatWereDrawn) {
    mp3::TempFolder folder;
    const std::string song = folder / "song.mp3";
    ASSERT_TRUE(mp3::write(song, 1.0, mp3::sine(440, 0.5)));
    // The music's red, white, black, a grey and a blue.
    const std::vector<Rgb> colours = {{253, 48, 51}, {255, 255, 255}, {0, 0, 0}, {128, 128, 128}, {40, 90, 230}};
    for (const char* name : {"colours.mp4", "colours.mkv"}) {
        const std::string video = folder / name;
        ASSERT_EQ(writeVideo(video, song, colours), "");
        EXPECT_EQ(output("ffprobe -v error -select_streams v -show_entries "
                         "stream=color_space,color_range,color_primaries,color_transfer -of csv=p=0 '" + video + "'"),
                  "tv,bt709,bt709,bt709\n")
            << name;
        const std::string decoded =
            output("ffmpeg -v error -i '" + video + "' -map 0:v -fps_mode passthrough -vf crop=8:8 -f rawvideo -pix_fmt rgb24 -");
        ASSERT_EQ(decoded.size(), colours.size() * 8 * 8 * 3) << name;
        for (std::size_t frame = 0; frame < colours.size(); ++frame) {
            for (int channel = 0; channel < 3; ++channel) {
                const int got = static_cast<unsigned char>(decoded[frame * 8 * 8 * 3 + channel]);
                EXPECT_NEAR(got, colours[frame][channel], 3) << name << ", picture " << frame << ", channel " << channel;
            }
        }
    }
}
