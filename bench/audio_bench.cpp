#include "bench/audio_bench.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "audio/level.h"
#include "audio/mp3_decoder.h"
#include "audio/playback.h"
#include "audio/sound_engine.h"
#include "tools/mp3_maker.h"

namespace {
double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

double wallSeconds() { return monotonicNanoseconds() * 1e-9; }

void sleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

mp3::Signal music() {
    // Something with the density of a song: chords over noise.
    auto chord = [](double t) {
        return static_cast<float>(0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277 * t) +
                                         std::sin(2 * M_PI * 330 * t)));
    };
    auto noise = mp3::whiteNoise(0.15);
    return [=](double t) { return chord(t) + noise(t); };
}

// CPU seconds per second of music for mpg123 decoding alone, the whole file
// over and over on this thread.
double decoderAloneCost(const std::string& path) {
    std::vector<float> samples(4096 * 2);
    double musicSeconds = 0;
    const double cpuStart = processCpuSeconds();
    for (int pass = 0; pass < 20; ++pass) {
        Mp3Decoder decoder;
        if (!decoder.open(path)) return 0;
        while (const std::size_t frames = decoder.read(samples.data(), 4096)) {
            musicSeconds += static_cast<double>(frames) / decoder.rate();
        }
    }
    return (processCpuSeconds() - cpuStart) / musicSeconds;
}

void decodingCost(const std::string& path) {
    playSong(path.c_str());
    sleepSeconds(0.5);
    const double cpuStart = processCpuSeconds();
    const double wallStart = wallSeconds();
    sleepSeconds(5.0);
    const double perSecond = (processCpuSeconds() - cpuStart) / (wallSeconds() - wallStart);
    const double alone = decoderAloneCost(path);
    std::printf("decoding + output, per second of music: %8.3f ms CPU   %8.4f x one core   %6.2f x mpg123 alone (%.3f ms)\n",
                perSecond * 1000, perSecond, perSecond / alone, alone * 1000);
}

// How long a 3-second song lasts on the silent output, with the machine idle
// and with both cores kept busy by other threads.
void silentOutputUnderLoad(const std::string& folder) {
    const std::string path = folder + "/three.mp3";
    mp3::write(path, 3.0, mp3::sine(440, 0.5));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SoundEngine engine;
    engine.initialise();
    engine.start();
    unsetenv("SDL_AUDIODRIVER");
    auto songSeconds = [&] {
        const StreamHandle handle = engine.createStream(path);
        engine.play(handle);
        OutputMark first;
        while (!engine.streamOf(handle)->clock().markHolding(0, first)) sleepSeconds(0.0002);
        while (engine.isActive(handle)) sleepSeconds(0.0005);
        return (monotonicNanoseconds() - first.timeNs) * 1e-9;
    };
    const double idle = songSeconds();
    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    for (int i = 0; i < 2; ++i) {
        load.emplace_back([&] {
            volatile double x = 1;
            while (!stop.load(std::memory_order_relaxed)) x = x * 1.0000001 + 1e-9;
        });
    }
    const double busy = songSeconds();
    stop = true;
    for (std::thread& t : load) t.join();
    std::printf("3 s song on the silent output: %.3f s idle, %.3f s with both cores busy (%.4f x idle)\n",
                idle, busy, busy / idle);
}

void spectrumCost() {
    constexpr int kFrames = 3000;
    double start = wallSeconds();
    for (int i = 0; i < kFrames; ++i) computeLevel();
    const double perFrame = (wallSeconds() - start) / kFrames;

    FftAnalyser analyser;
    std::vector<float> samples(FftAnalyser::kWindow, 0.1f), magnitudes(FftAnalyser::kBins);
    start = wallSeconds();
    for (int i = 0; i < kFrames; ++i) analyser.analyse(samples.data(), magnitudes.data());
    const double fftOnly = (wallSeconds() - start) / kFrames;
    std::printf("spectrum + level per frame:             %8.1f us       %8.2f x the windowed FFT alone (%.1f us)\n",
                perFrame * 1e6, perFrame / fftOnly, fftOnly * 1e6);
}

void startLatency(const std::string& path) {
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        const std::int64_t called = monotonicNanoseconds();
        playSong(path.c_str());
        const Stream* stream = soundEngine.streamOf(streamHandle);
        OutputMark mark;
        while (stream != nullptr && !(stream->clock().markHolding(0, mark))) sleepSeconds(0.0005);
        latencies.push_back((mark.timeNs - called) / 1e6);
        sleepSeconds(0.05);
    }
    std::printf("playSong to first sample at the device: median %6.1f ms, worst %6.1f ms (20 starts)\n",
                median(latencies), *std::max_element(latencies.begin(), latencies.end()));
}

void pictureOffset(const std::string& folder) {
    constexpr int kBursts = 20;
    constexpr double kPeriod = 0.5, kLength = 0.2, kFirst = 0.4;
    std::vector<mp3::Burst> times;
    for (int i = 0; i < kBursts; ++i) times.push_back({kFirst + i * kPeriod, kFirst + i * kPeriod + kLength});
    const std::string path = folder + "/bursts.mp3";
    mp3::write(path, kFirst + kBursts * kPeriod + 0.5, mp3::bursts(times, mp3::whiteNoise(0.5)));

    playSong(path.c_str());
    const Stream* stream = soundEngine.streamOf(streamHandle);
    std::vector<std::pair<std::int64_t, float>> levels;
    const double end = wallSeconds() + kFirst + kBursts * kPeriod + 0.2;
    while (wallSeconds() < end) {
        computeLevel();
        levels.emplace_back(monotonicNanoseconds(), level);
        sleepSeconds(0.001);
    }

    const OutputClock& clock = stream->clock();
    std::vector<double> offsets;
    for (const mp3::Burst& burst : times) {
        const auto onset = static_cast<std::int64_t>(burst.start * clock.deviceRate());
        OutputMark mark;
        if (!clock.markHolding(onset, mark)) continue;
        const double heardNs =
            mark.timeNs + (onset - mark.firstFrame + clock.latency()) * 1e9 / clock.deviceRate();
        // Half of the level the burst reaches in its middle.
        float steady = 0;
        for (const auto& [t, value] : levels) {
            if (t > heardNs + kLength * 0.5e9) {
                steady = value;
                break;
            }
        }
        for (const auto& [t, value] : levels) {
            if (t > heardNs - 0.1e9 && value > steady / 2) {
                offsets.push_back((t - heardNs) / 1e6);
                break;
            }
        }
    }
    if (offsets.empty()) return;
    std::vector<double> magnitudes;
    for (double offset : offsets) magnitudes.push_back(std::fabs(offset));
    std::printf("audio-to-picture offset (level rise minus heard onset), %zu bursts: median %+6.1f ms, worst |%5.1f| ms\n",
                offsets.size(), median(offsets), *std::max_element(magnitudes.begin(), magnitudes.end()));
}
}  // namespace

void runAudioBenchmarks() {
    mp3::TempFolder folder;
    const std::string song = folder / "music.mp3";
    mp3::write(song, 8.0, music());
    std::printf("sound output: %s driver\n", soundEngine.initialise() && !soundEngine.usesSilentOutput()
                                                 ? "a real"
                                                 : "the silent real-time");
    decodingCost(song);
    spectrumCost();
    startLatency(song);
    pictureOffset(folder.path());
    silentOutputUnderLoad(folder.path());
    soundEngine.free(streamHandle);
    std::fflush(stdout);
}
