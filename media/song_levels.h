#pragma once
// A song's loudness at any moment, as live playback shows it when that moment
// is heard: the same mono mix, the same spectrum window around the instant,
// the same level. For drawing a song's pictures ahead of real time.
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "analysis/loudness.h"
#include "base/problem.h"
#include "decoding/song_decoder.h"

class SongLevels {
public:
    // False when the file is not a song that gives any sound. The song is
    // measured `longestSeconds` far at most: its whole length takes decoding
    // all of it, and a video of its first seconds needs only those.
    bool open(const std::string& path, double longestSeconds = std::numeric_limits<double>::infinity());
    // Why open() failed, for the user.
    const Problem& why() const { return problem; }

    // The song's length, exactly (encoder delay and padding removed), or
    // `longestSeconds` (to a frame) when the song is longer.
    double seconds() const { return static_cast<double>(totalFrames) / rate; }
    std::int64_t frames() const { return totalFrames; }
    int sampleRate() const { return rate; }

    // What is heard `seconds` into the song; silence past the end. Times
    // must not go backwards by more than a second: what lies further back is
    // no longer kept.
    Loudness loudnessAt(double seconds);
    float levelAt(double seconds) { return loudnessAt(seconds).level; }

private:
    void decodeUpTo(std::int64_t frame);

    Problem problem;
    std::unique_ptr<SongDecoder> decoder;
    int rate = 0;
    std::int64_t totalFrames = 0;
    std::vector<float> mono;      // decoded frames from `keptFrom` on
    std::int64_t keptFrom = 0;
    std::vector<float> chunk;     // interleaved, one decoding step
    bool ended = false;
    LoudnessMeter meter;
};
