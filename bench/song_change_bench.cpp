#include "bench/song_change_bench.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/hostile_mp3s.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
}

std::vector<std::string> songsIn(const std::string& folder) {
    std::vector<std::string> songs;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".mp3") songs.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    std::sort(songs.begin(), songs.end());
    return songs;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    }
    return 0;
}

// The peak resident memory from now on (Linux resets the mark on request).
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The hostile files make the program tell the user "Can't create stream"
// hundreds of times; those lines would bury the figures.
class SilencedStandardOutput {
public:
    SilencedStandardOutput() {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~SilencedStandardOutput() {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }

private:
    int saved = -1;
};

// The main thread's share of each change: playSong itself, and the per-frame
// check that reports the new song as started or refused.
std::vector<double> changeTimes(const std::vector<std::string>& good,
                                const std::vector<std::string>& hostile) {
    SilencedStandardOutput quiet;
    std::vector<double> times;
    for (int change = 0; change < 1000; ++change) {
        // Every third change a good song, so changes also cut off music.
        const std::string& path = change % 3 == 0 ? good[(change / 3) % good.size()]
                                                  : hostile[(change * 7) % hostile.size()];
        auto start = Clock::now();
        playback.playSong(path.c_str());
        double spent = millisecondsSince(start);
        for (int frame = 0; frame < 3; ++frame) {
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
            start = Clock::now();
            playback.settleSongStart();
            spent += millisecondsSince(start);
            static_cast<void>(playback.heard());
        }
        times.push_back(spent);
    }
    return times;
}

void soak(const char* kinds, const std::vector<std::string>& good, const std::vector<std::string>& hostile) {
    const std::vector<double> times = changeTimes(good, hostile);
    std::printf("song change, main thread, 1000 changes (%s: %zu good, %zu hostile files): p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                kinds, good.size(), hostile.size(), percentile(times, 0.5), percentile(times, 0.99),
                *std::max_element(times.begin(), times.end()));
}

// The same among songs and damaged files of every kind a collection holds.
void mixedSoak(std::vector<std::string> good, std::vector<std::string> hostile) {
    mp3::TempFolder folder;
    for (const char* ending : {".flac", ".ogg", ".opus", ".m4a", ".aac", ".wav"}) {
        const std::string song = folder / (std::string("good") + ending);
        if (songs::write(song, 5.0, mp3::whiteNoise(0.3))) good.push_back(song);
        const std::string kindFolder = folder / (std::string("hostile") + ending);
        mp3::makeFolder(kindFolder);
        for (const std::string& path : songs::writeHostileCopies(kindFolder, ending)) hostile.push_back(path);
    }
    soak("every kind", good, hostile);
}

// Time from playSong until the song is heard, and the peak memory, for a
// song behind an ID3v2 picture of each size.
void tagCost(const std::string& folder) {
    double noTagMs = 0;
    for (std::size_t megabytes : {0, 5, 50}) {
        mp3::Options options;
        options.pictureBytes = megabytes << 20;
        const std::string path = folder + "/tagged-" + std::to_string(megabytes) + ".mp3";
        mp3::write(path, 2.0, mp3::whiteNoise(0.5), options);
        const long memoryBefore = statusKilobytes("VmRSS:");
        resetPeakMemory();
        std::vector<double> callMs, heardMs;
        for (int i = 0; i < 5; ++i) {
            const auto start = Clock::now();
            playback.playSong(path.c_str());
            callMs.push_back(millisecondsSince(start));
            while (millisecondsSince(start) < 2000) {
                playback.settleSongStart();
                if (playback.heard().level > 0) break;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            heardMs.push_back(millisecondsSince(start));
        }
        const double heard = percentile(heardMs, 0.5);
        if (megabytes == 0) noTagMs = heard;
        std::printf("start with a %2zu MB tag: playSong %.3f ms, heard after %6.1f ms (%.2f x no tag), peak memory +%ld KB\n",
                    megabytes, percentile(callMs, 0.5), heard, heard / noTagMs,
                    statusKilobytes("VmHWM:") - memoryBefore);
    }
}
}  // namespace

void runSongChangeBenchmarks(const char* demoFolder) {
    mp3::TempFolder folder;
    const std::vector<std::string> hostile = mp3::writeHostileFiles(folder.path());
    std::vector<std::string> good = songsIn(demoFolder);
    if (good.empty()) {
        good.push_back(folder / "good.mp3");
        mp3::write(good.back(), 5.0, mp3::whiteNoise(0.3));
    }
    soak("MP3s", good, hostile);
    mixedSoak(good, hostile);
    tagCost(folder.path());
    soundEngine.free(playback.streamHandle);
    std::fflush(stdout);
}
