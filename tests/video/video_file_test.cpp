// The video file as a player meets it: FFmpeg's own tools decode the
// colours that were drawn, from streams tagged as they were converted.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
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

// A video of solid pictures, one of each colour, with a song's sound: the
// MP3's own frames, or for a WebM the song encoded to Opus.
std::string writeVideo(const std::string& path, const std::string& song, const std::vector<Rgb>& colours,
                       const std::function<void(VideoFile::Settings&)>& choose = {}) {
    Mp3Frames frames;
    SoundEncoding opus;
    const bool webm = path.ends_with(".webm");
    if (!(webm ? opus.open(song, SoundEncoding::Codec::Opus) : frames.open(song))) return "no song";
    VideoFile::Settings settings;
    settings.path = path;
    settings.width = settings.height = 64;
    settings.fps = FrameRate{24, 1};
    settings.audio = webm ? songTrack(opus, opus.rate()) : songTrack(frames, frames.rate());
    if (choose) choose(settings);
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

// x264's settings as it writes them into the stream: "... options: cabac=0 ...".
std::string x264Options(const std::string& video) {
    std::ifstream file(video, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t start = bytes.find("options: ");
    if (start == std::string::npos) return "";
    return " " + bytes.substr(start + 9, bytes.find('\0', start) - start - 9) + " ";
}

std::string probe(const std::string& video, const std::string& streams, const std::string& entries) {
    return output("ffprobe -v error -select_streams " + streams + " -show_entries stream=" + entries +
                  " -of csv=p=0 '" + video + "'");
}
}  // namespace

TEST(VideoFile, PlayersDecodeTheColoursThatWereDrawn) {
    mp3::TempFolder folder;
    const std::string song = folder / "song.mp3";
    ASSERT_TRUE(mp3::write(song, 1.0, mp3::sine(440, 0.5)));
    // The music's red, white, black, a grey and a blue.
    const std::vector<Rgb> colours = {{253, 48, 51}, {255, 255, 255}, {0, 0, 0}, {128, 128, 128}, {40, 90, 230}};
    for (const char* name : {"colours.mp4", "colours.mkv", "colours.webm"}) {
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

// Each quality is told apart by what its stream holds: x264's preset (its
// profile and subpel search), its constant rate factor or the bitrate asked
// for; VP9 and AV1 in WebM, with the sound in Opus.
TEST(VideoFile, WritesTheQualityAndCodecChosen) {
    mp3::TempFolder folder;
    const std::string song = folder / "song.mp3";
    ASSERT_TRUE(mp3::write(song, 1.0, mp3::sine(440, 0.5)));
    const std::vector<Rgb> colours(30, Rgb{200, 40, 90});
    struct H264Case {
        const char* name;
        Quality quality;
        std::int64_t bitrate;
        const char* profile;
        std::vector<const char*> options;
    };
    for (const H264Case& c :
         {H264Case{"draft.mp4", Quality::Draft, 0, "Constrained Baseline", {" rc=crf ", " crf=23.0 ", " subme=0 "}},
          H264Case{"good.mp4", Quality::Good, 0, "High", {" rc=crf ", " crf=20.0 ", " subme=2 "}},
          H264Case{"best.mkv", Quality::Best, 0, "High", {" rc=crf ", " crf=18.0 ", " subme=8 "}},
          H264Case{"rate.mp4", Quality::Good, 2'000'000, "High", {" rc=abr ", " bitrate=2000 ", " subme=2 "}}}) {
        const std::string video = folder / c.name;
        ASSERT_EQ(writeVideo(video, song, colours, [&](VideoFile::Settings& settings) {
                      settings.quality = c.quality;
                      settings.bitrate = c.bitrate;
                  }),
                  "")
            << c.name;
        EXPECT_EQ(probe(video, "v", "codec_name,profile,pix_fmt"), "h264," + std::string(c.profile) + ",yuv420p\n")
            << c.name;
        const std::string options = x264Options(video);
        for (const char* option : c.options) EXPECT_NE(options.find(option), std::string::npos) << c.name << ":" << options;
    }
    for (const VideoCodec codec : {VideoCodec::Automatic, VideoCodec::Av1}) {
        const std::string video = folder / (codec == VideoCodec::Av1 ? "av1.webm" : "vp9.webm");
        ASSERT_EQ(writeVideo(video, song, colours, [&](VideoFile::Settings& settings) { settings.codec = codec; }), "");
        EXPECT_EQ(probe(video, "v", "codec_name,pix_fmt"),
                  codec == VideoCodec::Av1 ? "av1,yuv420p\n" : "vp9,yuv420p\n");
        EXPECT_EQ(probe(video, "a", "codec_name,sample_rate"), "opus,48000\n");
    }
    EXPECT_EQ(writeVideo(folder / "h264.webm", song, colours,
                         [](VideoFile::Settings& settings) { settings.codec = VideoCodec::H264; }),
              "WebM holds VP9 or AV1, not H.264: give OUT a .mp4 or .mkv name");
}
