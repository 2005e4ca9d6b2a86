#include "bench/render_bench.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
// Seconds the whole command takes, or a negative number when it fails.
double secondsToRun(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string renderCommand(const char* vizBinary, const std::string& video, const std::string& song,
                          const std::string& options) {
    return "env -u DISPLAY '" + std::string(vizBinary) + "' --render '" + video + "' '" + song + "' " + options;
}

// A WAV whose writer never filled its sizes in (all ones: the sound runs to
// the file's end), `bytes` long: zeros, sparse, nothing on disk.
bool writeEndlessWav(const std::string& path, long long bytes) {
    if (!songs::writeWav(path, 0.1, mp3::silence())) return false;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const char allOnes[4] = {'\xff', '\xff', '\xff', '\xff'};
    for (const std::streamoff sizeField : {4, 40}) file.seekp(sizeField).write(allOnes, 4);
    file.close();
    return file.good() && truncate(path.c_str(), bytes) == 0;
}

// The first seconds of a song are rendered from those alone: a 100 GB song
// takes as long as a 10 s one.
void benchmarkFirstSeconds(const char* vizBinary, const mp3::TempFolder& folder) {
    const std::string shortSong = folder / "short.wav", hugeSong = folder / "huge.wav";
    if (!songs::writeWav(shortSong, 10, mp3::sine(440, 0.5)) || !writeEndlessWav(hugeSong, 100LL << 30)) {
        std::printf("render of a song's first seconds: cannot make the songs\n");
        return;
    }
    const std::string options = "--size 64x64 --fps 30 --seconds 2";
    const double shortSeconds = secondsToRun(renderCommand(vizBinary, folder / "short.mkv", shortSong, options));
    const double hugeSeconds = secondsToRun(renderCommand(vizBinary, folder / "huge.mkv", hugeSong, options));
    if (shortSeconds < 0 || hugeSeconds < 0) {
        std::printf("render of a song's first seconds failed\n");
        return;
    }
    std::printf("render, --seconds 2 of a 100 GB WAV: %6.2f s   %6.2f x a 10 s WAV's\n", hugeSeconds,
                hugeSeconds / shortSeconds);
}
}  // namespace

void runRenderBenchmarks(const char* vizBinary) {
    constexpr double kSongSeconds = 10;
    mp3::TempFolder folder;
    const std::string song = folder / "song.mp3";
    mp3::write(song, kSongSeconds, mp3::bursts({{0.5, 3}, {4, 6}, {7, 9.5}}, mp3::whiteNoise(0.5)));
    for (const char* size : {"1080x1080", "500x500"}) {
        const std::string video = folder / (std::string(size) + ".mp4");
        // With no display, as on a server: the render brings its own.
        const double seconds =
            secondsToRun(renderCommand(vizBinary, video, song, std::string("--scene 3 --fps 60 --size ") + size));
        if (seconds < 0) {
            std::printf("render of the tunnel at %s failed\n", size);
            continue;
        }
        std::printf("render, tunnel, %s at 60 fps, %.0f s song: %6.2f s   %6.2f x real time\n", size, kSongSeconds,
                    seconds, kSongSeconds / seconds);
    }
    benchmarkFirstSeconds(vizBinary, folder);
    std::fflush(stdout);
}
