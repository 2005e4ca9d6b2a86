#pragma once
// A loudspeaker at the end of a PulseAudio pipe sink: reads the sink's FIFO
// at exactly real time, as a sound card plays, and dates every sample by the
// moment it is read, which is when it would be heard. What the pipe holds is
// the speaker's latency: a small pipe is a wired output, a large one a
// Bluetooth headset's buffer.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PipeSpeaker {
public:
    // The sink's samples: 16-bit, stereo, at this rate.
    static constexpr int kRate = 44100;

    // Opens the FIFO a pipe sink writes, gives the pipe `pipeBytes` of room
    // and starts listening; listening() is false when the FIFO won't open.
    PipeSpeaker(const std::string& fifo, int pipeBytes);
    ~PipeSpeaker();
    PipeSpeaker(const PipeSpeaker&) = delete;
    PipeSpeaker& operator=(const PipeSpeaker&) = delete;

    bool listening() const { return descriptor >= 0; }
    void stop();

    // Frames the speaker had to play as silence because the sink fell behind.
    std::int64_t underruns() const { return underrunFrames.load(); }

    // Everything heard so far, mono, and when sample `index` of it was heard.
    std::vector<float> heard() const;
    // What the sink wrote, mono: the silence played for an underrun left out.
    std::vector<float> written() const;
    std::int64_t heardAtNs(std::size_t index) const { return startNs + static_cast<std::int64_t>(index) * 1'000'000'000LL / kRate; }

    // When each burst heard from `fromNs` on began (steady-clock ns).
    std::vector<std::int64_t> burstOnsets(float threshold, double quietSeconds, std::int64_t fromNs = 0) const;

private:
    void run();

    int descriptor = -1;
    std::atomic<bool> stopping{false};
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<float> samples;  // mono, sample i heard at startNs + i / kRate
    std::vector<bool> underran;  // per sample: played as silence, the pipe empty
    std::int64_t startNs = 0;
    std::atomic<std::int64_t> underrunFrames{0};
};
