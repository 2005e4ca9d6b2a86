// libFuzzer target: any bytes, as a song named .mp3, through the sound side
// of `viz --render`: the song's level at every frame (SongLevels), its own
// frames as mpg123 walks them (Mp3Frames), and their copy into a Matroska
// file with one picture. A crash, a sanitizer report, a level that is not a
// finite loudness, a walk that never ends, or frames that hold less sound
// than the song the pictures follow is a finding.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/song_levels.h"
#include "video/mp3_frames.h"
#include "video/song_track.h"
#include "video/video_file.h"

namespace {
std::string scratchFile(const char* pattern) {
    std::string path = pattern;
    const int fd = mkstemps(path.data(), 4);
    if (fd < 0) std::abort();
    close(fd);
    return path;
}

void writeAll(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) std::abort();
    std::fclose(file);
}

// Frames a second for the levels: the song is looked at this often.
constexpr int kFps = 30;
constexpr double kMostSeconds = 30;

void checkLevels(SongLevels& levels) {
    const double seconds = std::min(levels.seconds() + 1, kMostSeconds);
    for (int frame = 0; frame < seconds * kFps; ++frame) {
        const float level = levels.levelAt(static_cast<double>(frame) / kFps);
        if (!std::isfinite(level) || level < 0) std::abort();
    }
}

// The frames, counted; they must hold the whole song after the priming.
void checkFrames(Mp3Frames& frames, const SongLevels& levels, std::size_t size) {
    std::vector<unsigned char> frame;
    std::int64_t count = 0, samples = 0;
    int frameSamples = 0;
    while (frames.next(frame, frameSamples)) {
        if (frame.size() < 4 || frameSamples <= 0) std::abort();
        // An MPEG frame is at least 24 bytes of file; more frames is a loop.
        if (++count > static_cast<std::int64_t>(size / 24 + 16)) std::abort();
        samples += frameSamples;
    }
    if (frames.leadingSamples() < 0 || frames.leadingSamples() > 16 * 1152) std::abort();
    if (levels.frames() + frames.leadingSamples() > samples) std::abort();
}

void copyIntoVideo(Mp3Frames& frames, const SongLevels& levels) {
    static const std::string video = scratchFile("/tmp/viz-fuzz-XXXXXX.mkv");
    VideoFile::Settings settings;
    settings.path = video;
    settings.width = settings.height = 16;
    settings.fps = FrameRate{1, 1};
    settings.audio = songTrack(frames, levels.frames());
    VideoFile file;
    if (file.open(settings)) return;
    std::fill_n(file.nextPicture(), 16 * 16 * 4, 0);
    if (!file.addPicture()) static_cast<void>(file.finish());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string song = scratchFile("/tmp/viz-fuzz-XXXXXX.mp3");
    writeAll(song, data, size);
    SongLevels levels;
    if (!levels.open(song)) return 0;
    checkLevels(levels);
    Mp3Frames frames;
    if (!frames.open(song)) std::abort();  // the levels' decoder read it
    checkFrames(frames, levels, size);
    if (!frames.open(song)) std::abort();
    copyIntoVideo(frames, levels);
    return 0;
}
