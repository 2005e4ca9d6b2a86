#include "bench/audio_bench.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "analysis/loudness.h"
#include "bench/cpu_time.h"
#include "decoding/mp3_decoder.h"
#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"
#include "tools/pipe_speaker.h"
#include "tools/server_control.h"
#include "tools/sink_recorder.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);

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

// An engine of its own on the silent output, beside the program's.
std::unique_ptr<SoundEngine> silentEngine() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto engine = std::make_unique<SoundEngine>();
    engine->initialise();
    engine->start();
    unsetenv("SDL_AUDIODRIVER");
    return engine;
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

// CPU seconds per second of music while `engine` plays the song.
double playingCost(SoundEngine& engine, const std::string& path) {
    const StreamHandle handle = engine.createStream(path);
    engine.play(handle);
    sleepSeconds(0.5);
    const double cpuStart = processCpuSeconds();
    const double wallStart = wallSeconds();
    sleepSeconds(4.0);
    const double perSecond = (processCpuSeconds() - cpuStart) / (wallSeconds() - wallStart);
    engine.free(handle);
    return perSecond;
}

void decodingCost(const std::string& path) {
    const double alone = decoderAloneCost(path);
    auto report = [&](const char* output, double perSecond) {
        std::printf("decoding + output (%s), per second of music: %6.3f ms CPU  %7.4f x one core  %6.2f x mpg123 alone (%.3f ms)\n",
                    output, perSecond * 1000, perSecond, perSecond / alone, alone * 1000);
    };
    report(soundEngine.outputName(), playingCost(soundEngine, path));
    if (!soundEngine.usesSilentOutput()) report("silent output", playingCost(*silentEngine(), path));
}

// How long a 3-second song lasts on the silent output, with the machine idle
// and with both cores kept busy by other threads.
void silentOutputUnderLoad(const std::string& folder) {
    const std::string path = folder + "/three.mp3";
    mp3::write(path, 3.0, mp3::sine(440, 0.5));
    const auto engine = silentEngine();
    auto songSeconds = [&] {
        const StreamHandle handle = engine->createStream(path);
        engine->play(handle);
        OutputMark first;
        while (!engine->streamOf(handle)->clock().markHolding(0, first)) sleepSeconds(0.0002);
        while (engine->isActive(handle)) sleepSeconds(0.0005);
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

void spectrumCost(const std::string& song) {
    playback.playSong(song.c_str());
    while (!playback.settleSongStart()) sleepSeconds(0.001);
    sleepSeconds(0.2);
    constexpr int kFrames = 3000;
    double start = wallSeconds();
    for (int i = 0; i < kFrames; ++i) static_cast<void>(playback.heard());
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
        playback.playSong(path.c_str());
        const Stream* stream = soundEngine.streamOf(playback.streamHandle);
        OutputMark mark;
        while (stream != nullptr && !(stream->clock().markHolding(0, mark))) sleepSeconds(0.0005);
        latencies.push_back((mark.timeNs - called) / 1e6);
        sleepSeconds(0.05);
    }
    std::printf("playSong until its first sample is heard: median %6.1f ms, worst %6.1f ms (20 starts)\n",
                median(latencies), *std::max_element(latencies.begin(), latencies.end()));
}

// 20 bursts of noise, 0.2 s long, every half second.
constexpr double kBurstLength = 0.2;
std::vector<mp3::Burst> burstTimes() {
    std::vector<mp3::Burst> times;
    for (int i = 0; i < 20; ++i) times.push_back({0.4 + i * 0.5, 0.4 + i * 0.5 + kBurstLength});
    return times;
}

// The picture's level, read every millisecond as a fast frame loop would.
std::vector<LevelReading> readLevels(SoundEngine& engine, StreamHandle handle, double seconds) {
    std::vector<LevelReading> readings;
    const double end = wallSeconds() + seconds;
    while (wallSeconds() < end) {
        readings.push_back({monotonicNanoseconds(), engine.heard(handle).level});
        sleepSeconds(0.001);
    }
    return readings;
}

void reportOffsets(const char* where, const std::vector<double>& offsets) {
    if (offsets.empty()) {
        std::printf("picture minus sound, %-34s no burst measured\n", where);
        return;
    }
    std::vector<double> magnitudes;
    for (double offset : offsets) magnitudes.push_back(std::fabs(offset));
    std::printf("picture minus sound, %-34s median %+6.1f ms, worst |%5.1f| ms (%zu bursts)\n", where,
                median(offsets), *std::max_element(magnitudes.begin(), magnitudes.end()), offsets.size());
}

// On the silent output a burst is heard when the output's clock says so.
void offsetOnSilentOutput(const std::string& path, double seconds) {
    const auto engine = silentEngine();
    const StreamHandle handle = engine->createStream(path);
    engine->play(handle);
    const std::vector<LevelReading> readings = readLevels(*engine, handle, seconds);
    const OutputClock& clock = engine->streamOf(handle)->clock();
    std::vector<std::int64_t> onsets;
    for (const mp3::Burst& burst : burstTimes()) {
        const auto onset = static_cast<std::int64_t>(burst.start * clock.deviceRate());
        OutputMark mark;
        if (!clock.markHolding(onset, mark)) continue;
        onsets.push_back(mark.timeNs + (onset - mark.firstFrame) * 1'000'000'000LL / clock.deviceRate());
    }
    reportOffsets("on the silent output:", levelRiseOffsetsMs(readings, onsets, kBurstLength / 2));
}

// Through a sound server a burst is heard when its sink plays it: recorded
// from the sink's monitor, less the recorder's own delay, measured with
// reference clicks whose play times the server reports (see SinkRecorder).
void offsetThroughServer(const std::string& path, double seconds) {
    if (std::strcmp(soundEngine.outputName(), "sound server") != 0) {
        std::printf("picture minus sound, through a sound server:        none answered\n");
        return;
    }
    SinkRecorder recorder;
    if (!recorder.calibrate()) std::printf("the sink recorder could not calibrate itself\n");
    const StreamHandle handle = soundEngine.createStream(path);
    soundEngine.play(handle);
    const std::vector<LevelReading> readings = readLevels(soundEngine, handle, seconds);
    recorder.stop();
    soundEngine.free(handle);
    reportOffsets("through the sound server's sink:",
                  levelRiseOffsetsMs(readings, recorder.burstOnsets(0.05f, 0.1), kBurstLength / 2));
    std::printf("  (the recorder dates sound %+.1f ms from when the server says the sink plays it)\n",
                recorder.delayMs());
}

// Behind a pipe sink a burst is heard when a real-time speaker reads it from
// the pipe. The program's stream is moved there, as a user moves it to a
// headset. One page of pipe (4 KB) cannot be kept fed: the sink starves and
// PulseAudio's own latency report for it is wrong, so it is shown, not aimed at.
void offsetThroughPipe(const std::string& path, double seconds, int pipeBytes) {
    const std::string sink = "bench-pipe-" + std::to_string(pipeBytes);
    const auto speaker = pipeSinkWithSpeaker(sink, pipeBytes);
    if (!speaker || !speaker->listening()) return;
    moveOurStreamTo(sink);
    sleepSeconds(0.5);
    const std::int64_t from = monotonicNanoseconds();
    const StreamHandle handle = soundEngine.createStream(path);
    soundEngine.play(handle);
    const std::vector<LevelReading> readings = readLevels(soundEngine, handle, seconds);
    const std::int64_t underrunsBefore = speaker->underruns();
    soundEngine.free(handle);
    const std::string where = "behind a " + std::to_string(pipeBytes / 1024) + " KB pipe (" +
                              std::to_string(pipeBytes * 1000 / (4 * 44100)) + " ms):";
    reportOffsets(where.c_str(), levelRiseOffsetsMs(readings, speaker->burstOnsets(0.05f, 0.1, from), kBurstLength / 2));
    std::printf("  (the speaker played %.0f ms of silence where the pipe had nothing)\n",
                underrunsBefore * 1000.0 / PipeSpeaker::kRate);
}

void pictureOffsets(const std::string& folder) {
    const std::string path = folder + "/bursts.mp3";
    const double seconds = burstTimes().back().end + 0.3;
    mp3::write(path, seconds, mp3::bursts(burstTimes(), mp3::whiteNoise(0.5)));
    offsetOnSilentOutput(path, seconds);
    offsetThroughServer(path, seconds);
    if (std::strcmp(soundEngine.outputName(), "sound server") != 0) return;
    for (int pipeBytes : {4096, 8192, 65536}) offsetThroughPipe(path, seconds, pipeBytes);
    moveOurStreamTo("speaker");
}
}  // namespace

void runAudioBenchmarks() {
    mp3::TempFolder folder;
    const std::string song = folder / "music.mp3";
    mp3::write(song, 8.0, music());
    soundEngine.initialise();
    soundEngine.start();
    std::printf("sound output: %s\n", soundEngine.outputName());
    decodingCost(song);
    spectrumCost(song);
    startLatency(song);
    pictureOffsets(folder.path());
    silentOutputUnderLoad(folder.path());
    soundEngine.free(playback.streamHandle);
    std::fflush(stdout);
}
