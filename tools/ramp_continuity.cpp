#include "tools/ramp_continuity.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kLow = 0.2;
constexpr double kHigh = 0.9;
// Below the ramp's foot; a resampler's ringing after the ramp's fall to
// silence stays under it.
constexpr float kSilence = 0.1f;
// The ramp's ends are left out: a resampler rings at the step from silence.
constexpr std::size_t kEdgeFrames = 2000;
// Around a cut, the lines are fitted through these frames either side,
// leaving out the nearest.
constexpr std::size_t kCutWindow = 11025;
constexpr std::size_t kCutClearance = 2205;

// The least-squares line through values[first, last) against their index.
struct Line {
    double meanIndex = 0, meanValue = 0, slope = 0;
};
Line fitLine(const std::vector<float>& values, std::size_t first, std::size_t last) {
    Line line;
    const double count = static_cast<double>(last - first);
    for (std::size_t k = first; k < last; ++k) {
        line.meanIndex += static_cast<double>(k) / count;
        line.meanValue += values[k] / count;
    }
    double covariance = 0, variance = 0;
    for (std::size_t k = first; k < last; ++k) {
        const double index = static_cast<double>(k) - line.meanIndex;
        covariance += index * (values[k] - line.meanValue);
        variance += index * index;
    }
    line.slope = variance > 0 ? covariance / variance : 0;
    return line;
}
}  // namespace

mp3::Signal rampSignal(double seconds, double fromSeconds) {
    return [seconds, fromSeconds](double t) { return static_cast<float>(kLow + (kHigh - kLow) * (t + fromSeconds) / seconds); };
}

// The ramp frames heard, silence taken out, lie on one line while nothing is
// lost or repeated; a frame lost moves the rest up by one frame's step. The
// step is measured, not assumed: the sound's way to the speaker may scale it
// a little (16 bits are written as 32767ths and read back as 32768ths). So a
// line is fitted through the first and the last fifth of the ramp, and the
// last fifth's height against the first's line, in steps, is what skipped.
RampContinuity rampContinuity(const std::vector<float>& mono, std::int64_t cutFrame) {
    RampContinuity found;
    std::vector<float> ramp;
    std::int64_t firstRamp = -1, lastRamp = -1;
    for (std::size_t i = 0; i < mono.size(); ++i) {
        if (mono[i] < kSilence) continue;
        if (firstRamp < 0) firstRamp = static_cast<std::int64_t>(i);
        const bool afterSilence = lastRamp >= 0 && static_cast<std::int64_t>(i) > lastRamp + 1;
        if (afterSilence && found.silenceAfter < 0) found.silenceAfter = static_cast<std::int64_t>(ramp.size());
        lastRamp = static_cast<std::int64_t>(i);
        ramp.push_back(mono[i]);
    }
    found.rampFrames = static_cast<std::int64_t>(ramp.size());
    if (found.rampFrames > 0) found.silentWithin = lastRamp - firstRamp + 1 - found.rampFrames;
    if (ramp.size() < 10 * kEdgeFrames) return found;
    const std::size_t fifth = (ramp.size() - 2 * kEdgeFrames) / 5;
    Line start = fitLine(ramp, kEdgeFrames, kEdgeFrames + fifth);
    Line end = fitLine(ramp, ramp.size() - kEdgeFrames - fifth, ramp.size() - kEdgeFrames);
    // Across a cut: the lines either side of it, clear of where it may be
    // should frames before it have gone missing.
    const auto cut = static_cast<std::size_t>(std::max<std::int64_t>(cutFrame, 0));
    if (cutFrame >= 0 && cut >= kEdgeFrames + kCutWindow && cut + kCutWindow + kEdgeFrames <= ramp.size()) {
        start = fitLine(ramp, cut - kCutWindow, cut - kCutClearance);
        end = fitLine(ramp, cut + kCutClearance, cut + kCutWindow);
    }
    const double step = (start.slope + end.slope) / 2;
    if (step <= 0) return found;
    found.framesSkipped = (end.meanValue - start.meanValue) / step - (end.meanIndex - start.meanIndex);
    return found;
}
