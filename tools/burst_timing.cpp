#include "tools/burst_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

void writeRawBursts(const std::string& path, int bursts, double burstSeconds) {
    constexpr int kRate = 44100;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> sample(-16000, 16000);
    const int frames = static_cast<int>((1.0 + 0.5 * bursts + 0.3) * kRate);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const bool loud = t >= 1.0 && t < 1.0 + 0.5 * bursts && std::fmod(t - 1.0, 0.5) < burstSeconds;
        const short value = loud ? static_cast<short>(sample(noise)) : 0;
        const short frame[2] = {value, value};
        std::fwrite(frame, sizeof frame, 1, file);
    }
    std::fclose(file);
}

void playRaw(const std::string& path, const std::string& sink) {
    const std::string device = sink.empty() ? "" : " --device=" + sink;
    const std::string command = "pacat --raw --format=s16le --rate=44100 --channels=2" + device + " '" + path + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "playRaw: '%s' failed\n", command.c_str());
}

std::vector<std::int64_t> burstOnsets(const std::vector<float>& samples, std::size_t first, std::int64_t originNs,
                                      int rate, float threshold, double quietSeconds) {
    std::vector<std::int64_t> onsets;
    const auto quietNeeded = static_cast<std::size_t>(quietSeconds * rate);
    std::size_t quiet = 0;
    for (std::size_t i = first; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) <= threshold) {
            ++quiet;
            continue;
        }
        if (quiet >= quietNeeded) onsets.push_back(originNs + static_cast<std::int64_t>(i) * 1'000'000'000LL / rate);
        quiet = 0;
    }
    return onsets;
}

std::vector<double> levelRiseOffsetsMs(const std::vector<LevelReading>& readings,
                                       const std::vector<std::int64_t>& onsetsNs, double settleSeconds) {
    std::vector<double> offsets;
    for (const std::int64_t onset : onsetsNs) {
        const auto settled = std::find_if(readings.begin(), readings.end(), [&](const LevelReading& r) {
            return r.timeNs > onset + static_cast<std::int64_t>(settleSeconds * 1e9);
        });
        if (settled == readings.end()) continue;
        const float half = settled->level / 2;
        const auto rise = std::find_if(readings.begin(), readings.end(), [&](const LevelReading& r) {
            return r.timeNs > onset - 100'000'000 && r.level > half;
        });
        if (rise != readings.end()) offsets.push_back((rise->timeNs - onset) / 1e6);
    }
    return offsets;
}
