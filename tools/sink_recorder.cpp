#include "tools/sink_recorder.h"

#include <pulse/simple.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
constexpr int kReadFrames = 128;  // ~3 ms a read: the dating is only as fine as this
constexpr int kBlockFrames = 441;  // the reference stream writes 10 ms at a time
constexpr float kClickThreshold = 0.05f;
constexpr double kClickQuietSeconds = 0.1;

std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t median(std::vector<std::int64_t> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Plays eight clicks (200 ms of silence, then 50 ms of a square wave) and
// returns when PulseAudio says the first sample of each plays.
std::vector<std::int64_t> playClicks() {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, SinkRecorder::kRate, 1};
    pa_buffer_attr buffer{};
    buffer.maxlength = buffer.prebuf = buffer.minreq = buffer.fragsize = static_cast<std::uint32_t>(-1);
    buffer.tlength = 2 * kBlockFrames * sizeof(float);
    int error = 0;
    pa_simple* player = pa_simple_new(nullptr, "viz-measure", PA_STREAM_PLAYBACK, nullptr, "reference clicks",
                                      &spec, nullptr, &buffer, &error);
    std::vector<std::int64_t> playTimes;
    if (player == nullptr) return playTimes;
    std::vector<float> block(kBlockFrames);
    for (int blockIndex = 0; blockIndex < 8 * 25; ++blockIndex) {
        const int inPeriod = blockIndex % 25;
        for (int i = 0; i < kBlockFrames; ++i) block[i] = inPeriod >= 20 ? ((i / 20) % 2 ? 0.5f : -0.5f) : 0.0f;
        if (pa_simple_write(player, block.data(), block.size() * sizeof(float), &error) < 0) break;
        if (inPeriod != 20) continue;
        // The latency is until the last sample written plays; the click
        // starts a block before that.
        const std::int64_t written = steadyNanoseconds();
        const pa_usec_t latency = pa_simple_get_latency(player, &error);
        playTimes.push_back(written + static_cast<std::int64_t>(latency) * 1000 -
                            kBlockFrames * 1'000'000'000LL / SinkRecorder::kRate);
    }
    pa_simple_drain(player, &error);
    pa_simple_free(player);
    return playTimes;
}
}  // namespace

SinkRecorder::SinkRecorder() {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 1};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.fragsize = kReadFrames * sizeof(float);
    int error = 0;
    stream = pa_simple_new(nullptr, "viz-measure", PA_STREAM_RECORD, "@DEFAULT_MONITOR@", "sink recorder", &spec,
                           nullptr, &attributes, &error);
    if (stream != nullptr) thread = std::thread(&SinkRecorder::run, this);
}

SinkRecorder::~SinkRecorder() { stop(); }

void SinkRecorder::stop() {
    stopping = true;
    if (thread.joinable()) thread.join();
    if (stream != nullptr) pa_simple_free(stream);
    stream = nullptr;
}

void SinkRecorder::run() {
    std::vector<float> block(kReadFrames);
    while (!stopping.load()) {
        int error = 0;
        if (pa_simple_read(stream, block.data(), block.size() * sizeof(float), &error) < 0) return;
        const std::int64_t returned = steadyNanoseconds();
        std::lock_guard<std::mutex> guard(mutex);
        samples.insert(samples.end(), block.begin(), block.end());
        const auto lastIndex = static_cast<std::int64_t>(samples.size() - 1);
        originDatings.push_back(returned - lastIndex * 1'000'000'000LL / kRate);
    }
}

bool SinkRecorder::calibrate() {
    std::size_t before = 0;
    {
        std::lock_guard<std::mutex> guard(mutex);
        before = samples.size();
    }
    const std::vector<std::int64_t> played = playClicks();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // the last click reaches the recording
    const std::vector<std::int64_t> heard = onsetsFrom(before, kClickThreshold, kClickQuietSeconds);
    std::lock_guard<std::mutex> guard(mutex);
    measuredFrom = samples.size();
    if (played.empty() || heard.size() != played.size()) return false;
    std::vector<std::int64_t> differences;
    for (std::size_t i = 0; i < heard.size(); ++i) differences.push_back(heard[i] - played[i]);
    delayNs = median(differences);
    return true;
}

std::vector<std::int64_t> SinkRecorder::burstOnsets(float threshold, double quietSeconds) const {
    std::size_t from = 0;
    {
        std::lock_guard<std::mutex> guard(mutex);
        from = measuredFrom;
    }
    std::vector<std::int64_t> onsets = onsetsFrom(from, threshold, quietSeconds);
    for (std::int64_t& onset : onsets) onset -= delayNs;
    return onsets;
}

std::vector<std::int64_t> SinkRecorder::onsetsFrom(std::size_t firstSample, float threshold,
                                                   double quietSeconds) const {
    std::lock_guard<std::mutex> guard(mutex);
    if (originDatings.empty()) return {};
    std::vector<std::int64_t> onsets = ::burstOnsets(samples, firstSample, 0, kRate, threshold, quietSeconds);
    for (std::int64_t& onset : onsets) {
        const auto sample = static_cast<std::size_t>(onset * kRate / 1'000'000'000LL);
        onset += originAround(sample);
    }
    return onsets;
}

// PipeWire drops stretches of a monitor's recording now and then: measured,
// the origin of the samples after a drop moved by up to 68 ms within one
// song, and with one origin for the whole recording the picture seemed as
// much behind the sink. So each onset is dated by the reads within a second
// of it, the earliest percent of them.
std::int64_t SinkRecorder::originAround(std::size_t sample) const {
    const std::size_t read = sample / kReadFrames;
    const std::size_t window = kRate / kReadFrames;
    const std::size_t from = read > window ? read - window : 0;
    const std::size_t to = std::min(originDatings.size(), read + window + 1);
    if (from >= to) return originDatings.back();
    std::vector<std::int64_t> datings(originDatings.begin() + static_cast<std::ptrdiff_t>(from),
                                      originDatings.begin() + static_cast<std::ptrdiff_t>(to));
    const auto earliest = datings.begin() + static_cast<std::ptrdiff_t>(datings.size() / 100);
    std::nth_element(datings.begin(), earliest, datings.end());
    return *earliest;
}
