#include "bench/listen_bench.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "analysis/loudness.h"
#include "bench/cpu_time.h"
#include "capture/listener.h"
#include "tools/burst_timing.h"
#include "tools/mp3_maker.h"
#include "tools/server_control.h"

namespace {
constexpr double kBurstSeconds = 0.2;
constexpr double kFrameSeconds = 1.0 / 60;

void sleepSeconds(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

std::string serverName() {
    const char* kind = std::getenv("VIZ_SOUND_SERVER");
    return kind != nullptr ? kind : "sound server";
}

// The picture's level as a 1 kHz frame loop reads it while pacat plays.
std::vector<LevelReading> readLevels(Listener& listener, const std::string& bursts, const std::string& sink,
                                     double seconds) {
    std::thread player([&] { playRaw(bursts, sink); });
    std::vector<LevelReading> readings;
    const std::int64_t end = monotonicNanoseconds() + static_cast<std::int64_t>(seconds * 1e9);
    while (monotonicNanoseconds() < end) {
        const std::int64_t now = monotonicNanoseconds();
        readings.push_back({now, listener.heard(now).level});
        sleepSeconds(0.001);
    }
    player.join();
    return readings;
}

void offsetBehindPipe(const std::string& bursts, int pipeBytes) {
    const std::string sink = "listen-bench-" + std::to_string(pipeBytes);
    const auto speaker = pipeSinkWithSpeaker(sink, pipeBytes);
    const auto listener = Listener::open(sink + ".monitor");
    if (!speaker || !speaker->listening() || !listener) return;
    const std::vector<LevelReading> readings = readLevels(*listener, bursts, sink, 1.0 + 0.5 * 20 + 0.5);
    // The first bursts fill an idle pipe: measured from the third.
    std::vector<std::int64_t> onsets = speaker->burstOnsets(0.05f, 0.1);
    if (onsets.size() > 2) onsets.erase(onsets.begin(), onsets.begin() + 2);
    std::vector<double> offsets = levelRiseOffsetsMs(readings, onsets, kBurstSeconds / 2);
    unloadSink(sink);
    if (offsets.empty()) {
        std::printf("listening on %s, picture minus speaker behind a %2d KB pipe: no burst measured\n",
                    serverName().c_str(), pipeBytes / 1024);
        return;
    }
    std::vector<double> sizes;
    for (double offset : offsets) sizes.push_back(std::fabs(offset));
    std::sort(offsets.begin(), offsets.end());
    std::printf("listening on %s, picture minus speaker behind a %2d KB pipe (%3d ms): median %+5.1f ms, worst "
                "|%4.1f| ms (%zu bursts)\n",
                serverName().c_str(), pipeBytes / 1024, pipeBytes * 1000 / (4 * 44100), offsets[offsets.size() / 2],
                *std::max_element(sizes.begin(), sizes.end()), offsets.size());
}

// CPU of this process per second while a 60 fps loop sleeps, with or
// without a listener asked for the spectrum at each frame.
double cpuPerSecond(Listener* listener, double seconds) {
    const double cpuStart = processCpuSeconds();
    const std::int64_t start = monotonicNanoseconds();
    const std::int64_t end = start + static_cast<std::int64_t>(seconds * 1e9);
    while (monotonicNanoseconds() < end) {
        if (listener != nullptr) static_cast<void>(listener->heard(monotonicNanoseconds()));
        sleepSeconds(kFrameSeconds);
    }
    return (processCpuSeconds() - cpuStart) / ((monotonicNanoseconds() - start) * 1e-9);
}

// `parec` capturing the same source, as the listener asks for it.
double parecPerSecond(const std::string& source, double seconds) {
    const double before = childrenCpuSeconds();
    const std::string command = "timeout -s INT " + std::to_string(seconds) + " parec --device=" + source +
                                " --format=float32le --channels=1 --rate=44100 --latency-msec=12 >/dev/null";
    // timeout ends parec on time and says so in its status: only a shell that could not start is a fault.
    if (std::system(command.c_str()) == -1) std::fprintf(stderr, "parecPerSecond: no shell for '%s'\n", command.c_str());
    return (childrenCpuSeconds() - before) / seconds;
}

void listeningCost(const std::string& noise) {
    constexpr double kSeconds = 4.0;
    std::thread player([&] { playRaw(noise, ""); });
    sleepSeconds(0.5);
    const double idle = cpuPerSecond(nullptr, kSeconds);
    double listening = 0;
    {
        const auto listener = Listener::open("speaker.monitor");
        sleepSeconds(0.5);
        listening = cpuPerSecond(listener.get(), kSeconds) - idle;
    }
    const double parec = parecPerSecond("speaker.monitor", kSeconds);
    player.join();
    std::printf("listening on %s, capture + spectrum at 60 fps: %6.3f %% of a core  %5.2f x parec alone (%.3f %%)\n",
                serverName().c_str(), listening * 100, parec > 0 ? listening / parec : 0.0, parec * 100);
}
}  // namespace

void runListeningBenchmarks() {
    mp3::TempFolder folder;
    const std::string bursts = folder / "bursts.raw";
    writeRawBursts(bursts, 20, kBurstSeconds);
    for (int pipeBytes : {8192, 65536}) offsetBehindPipe(bursts, pipeBytes);
    const std::string noise = folder / "noise.raw";
    writeRawBursts(noise, 22, 0.5);  // noise without a break, for 11 s
    listeningCost(noise);
    std::fflush(stdout);
}
