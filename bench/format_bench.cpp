#include "bench/format_bench.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/cpu_time.h"
#include "decoding/open_song_decoder.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
constexpr double kSongSeconds = 30.0;

// Something with the density of a song: chords over noise.
mp3::Signal music() {
    auto noise = mp3::whiteNoise(0.15);
    return [=](double t) {
        return static_cast<float>(0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277 * t) +
                                         std::sin(2 * M_PI * 330 * t))) +
               noise(t);
    };
}

// Our decoder, the whole file: CPU seconds per second of music.
double ourCost(const std::string& path) {
    std::vector<float> samples(4096 * 2);
    const double start = threadCpuSeconds();
    double musicSeconds = 0;
    const auto decoder = openSongDecoder(path);
    if (!decoder) return 0;
    while (const std::size_t frames = decoder->read(samples.data(), 4096)) {
        musicSeconds += static_cast<double>(frames) / decoder->rate();
    }
    return musicSeconds > 0 ? (threadCpuSeconds() - start) / musicSeconds : 0;
}

double commandSeconds(std::string command, const std::string& path) {
    command.replace(command.find("FILE"), 4, "'" + path + "'");
    const double before = childrenCpuSeconds();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) return -1;
    return childrenCpuSeconds() - before;
}

// The command's CPU per second of music beyond its own start: the long file
// less a one-second one.
double commandCost(const std::string& command, const std::string& longFile, const std::string& shortFile) {
    const double longSeconds = commandSeconds(command, longFile);
    const double shortSeconds = commandSeconds(command, shortFile);
    if (longSeconds < 0 || shortSeconds < 0) return 0;
    return (longSeconds - shortSeconds) / (kSongSeconds - 1.0);
}

struct Kind {
    const char* ending;
    const char* anchorName;
    std::string anchorCommand;  // decodes FILE to nothing
};
}  // namespace

void runFormatBenchmarks() {
    mp3::TempFolder folder;
    const std::vector<Kind> kinds{
        {".flac", "flac -d", "flac --silent --decode --force -o /dev/null FILE"},
        {".ogg", "oggdec", "oggdec --quiet -o /dev/null FILE"},
        {".opus", "opusdec", "opusdec --quiet FILE /dev/null"},
        {".m4a", "ffmpeg", "ffmpeg -v error -i FILE -f null -"},
        {".aac", "ffmpeg", "ffmpeg -v error -i FILE -f null -"},
        {".wav", "ffmpeg", "ffmpeg -v error -i FILE -f null -"},
    };
    for (const Kind& kind : kinds) {
        const std::string path = folder / (std::string("music") + kind.ending);
        const std::string second = folder / (std::string("second") + kind.ending);
        if (!songs::write(path, kSongSeconds, music()) || !songs::write(second, 1.0, music())) {
            std::printf("decoding %-5s: no file made\n", kind.ending);
            continue;
        }
        const double ours = ourCost(path);
        const double anchor = commandCost(kind.anchorCommand, path, second);
        std::printf("decoding %-5s per second of music: %6.3f ms CPU  %5.2f x %s (%.3f ms)\n", kind.ending,
                    ours * 1000, anchor > 0 ? ours / anchor : 0.0, kind.anchorName, anchor * 1000);
    }
    std::fflush(stdout);
}
