#pragma once
// Records what a PulseAudio sink plays, through its monitor, and dates every
// sample on the steady clock: the ear of the tests and benchmarks that
// measure the picture against the sound a sound server really plays.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/burst_timing.h"

struct pa_simple;

class SinkRecorder {
public:
    // Starts recording the monitor of the server's default sink at once.
    SinkRecorder();
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    bool recording() const { return stream != nullptr; }

    // Measures the recorder's own delay: plays clicks through a stream of its
    // own, whose play times PulseAudio reports, and compares them with when
    // the recording hears them. Takes about two seconds; false when the
    // clicks were not heard. Later onsets are corrected by it.
    bool calibrate();
    // The recorder's datings minus the sink's play times, ms (0 before calibrate).
    double delayMs() const { return delayNs / 1e6; }

    void stop();

    // When each burst recorded after calibration reached the sink
    // (steady-clock nanoseconds): the first sample beyond `threshold` after
    // at least `quietSeconds` of silence.
    std::vector<std::int64_t> burstOnsets(float threshold, double quietSeconds) const;

    static constexpr int kRate = 44100;

private:
    void run();
    std::vector<std::int64_t> onsetsFrom(std::size_t firstSample, float threshold, double quietSeconds) const;
    std::int64_t originAround(std::size_t sample) const;

    pa_simple* stream = nullptr;
    std::atomic<bool> stopping{false};
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<float> samples;  // mono
    // When sample 0 reached the sink, as each read dates it. The server sends
    // the monitor's samples in fragments the size of a read, each as soon as
    // its last sample is rendered, so a read that returns at once dates its
    // last sample to within the hop from server to client. Reads that wait
    // for the scheduler only date later; the earliest percent of the datings
    // near a sample is taken, which leaves out a stray early one.
    std::vector<std::int64_t> originDatings;
    std::size_t measuredFrom = 0;  // the first sample after calibration
    std::int64_t delayNs = 0;
};
