#pragma once
// Timing bursts of sound against the picture: where bursts begin in a dated
// recording, and how long after each the picture's level rises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes raw 16-bit stereo noise at 44.1 kHz for pacat: a second of
// silence, then `bursts` bursts of `burstSeconds`, one every half second.
void writeRawBursts(const std::string& path, int bursts, double burstSeconds);

// Plays such a file on `sink` ("" for the default) with pacat; returns when done.
void playRaw(const std::string& path, const std::string& sink);

// The onsets (steady-clock nanoseconds) of the bursts in `samples`, sample i
// heard at originNs + i / rate, from `first` on: each first sample beyond
// `threshold` after at least `quietSeconds` of silence.
std::vector<std::int64_t> burstOnsets(const std::vector<float>& samples, std::size_t first, std::int64_t originNs,
                                      int rate, float threshold, double quietSeconds);

// A level reading of the picture, as the frame loop takes it.
struct LevelReading {
    std::int64_t timeNs;
    float level;
};

// For each burst onset: milliseconds from the onset to the first reading at
// half the level the burst reaches `settleSeconds` in; none for a burst the
// readings do not cover.
std::vector<double> levelRiseOffsetsMs(const std::vector<LevelReading>& readings,
                                       const std::vector<std::int64_t>& onsetsNs, double settleSeconds);
