#include "bench/render_bench.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/mp3_maker.h"

namespace {
// Seconds the whole command takes, or a negative number when it fails.
double secondsToRun(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
        const double seconds = secondsToRun("env -u DISPLAY '" + std::string(vizBinary) + "' --render '" + video +
                                            "' '" + song + "' --scene 3 --fps 60 --size " + size);
        if (seconds < 0) {
            std::printf("render of the tunnel at %s failed\n", size);
            continue;
        }
        std::printf("render, tunnel, %s at 60 fps, %.0f s song: %6.2f s   %6.2f x real time\n", size, kSongSeconds,
                    seconds, kSongSeconds / seconds);
    }
    std::fflush(stdout);
}
