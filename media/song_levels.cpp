#include "media/song_levels.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/loudness.h"
#include "analysis/mono_mix.h"
#include "decoding/open_song_decoder.h"

namespace {
constexpr std::size_t kChunkFrames = 4096;

// Counts the frames of a file, up to `most`, by decoding it: exact for any
// file, and a second of music takes well under a millisecond.
std::int64_t framesIn(const std::string& path, std::int64_t most) {
    const auto counter = openSongDecoder(path, true);
    if (!counter) return 0;
    std::vector<float> scratch(kChunkFrames * counter->channels());
    std::int64_t frames = 0;
    while (frames < most) {
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(kChunkFrames, most - frames));
        const std::size_t got = counter->read(scratch.data(), wanted);
        if (got == 0) break;
        frames += static_cast<std::int64_t>(got);
    }
    return frames;
}

// Infinity and lengths past any count: no limit.
std::int64_t framesOf(double seconds, int rate) {
    constexpr auto kNoLimit = std::numeric_limits<std::int64_t>::max();
    const double frames = std::ceil(seconds * rate);
    return frames < static_cast<double>(kNoLimit) ? static_cast<std::int64_t>(frames) : kNoLimit;
}
}  // namespace

bool SongLevels::open(const std::string& path, double longestSeconds) {
    problem = {};
    decoder = openSongDecoder(path, true, &problem);
    if (!decoder) return false;
    rate = decoder->rate();
    totalFrames = framesIn(path, framesOf(longestSeconds, rate));
    if (totalFrames == 0) {
        problem = "no sound in it";
        return false;
    }
    chunk.resize(kChunkFrames * decoder->channels());
    return true;
}

void SongLevels::decodeUpTo(std::int64_t frame) {
    const int channels = decoder->channels();
    while (!ended && keptFrom + static_cast<std::int64_t>(mono.size()) < frame) {
        const std::size_t got = decoder->read(chunk.data(), kChunkFrames);
        if (got == 0) ended = true;
        for (std::size_t i = 0; i < got; ++i) mono.push_back(monoMix(&chunk[i * channels], channels));
    }
}

Loudness SongLevels::loudnessAt(double seconds) {
    const auto heard = static_cast<std::int64_t>(seconds * rate);
    const std::int64_t first = heard + kSpectrumLead - FftAnalyser::kWindow;
    decodeUpTo(first + FftAnalyser::kWindow);
    const auto decodedEnd = keptFrom + static_cast<std::int64_t>(mono.size());
    float* window = meter.window();
    for (int i = 0; i < FftAnalyser::kWindow; ++i) {
        const std::int64_t frame = first + i;
        const bool kept = frame >= keptFrom && frame < decodedEnd && frame >= 0;
        window[i] = kept ? mono[static_cast<std::size_t>(frame - keptFrom)] : 0.0f;
    }
    // Keep a second before the window, for callers that step back a little;
    // past the end of the song (or of a file that shrank) there may be less.
    const std::int64_t keepFrom = first - rate;
    if (keepFrom > keptFrom + rate) {
        const auto dropped = std::min<std::int64_t>(keepFrom - keptFrom, static_cast<std::int64_t>(mono.size()));
        mono.erase(mono.begin(), mono.begin() + dropped);
        keptFrom += dropped;
    }
    return meter.measure();
}
