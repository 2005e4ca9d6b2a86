#include "tools/burst_timing.h"

#include <algorithm>
#include <cmath>

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
