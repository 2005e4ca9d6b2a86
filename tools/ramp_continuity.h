#pragma once
// A slow ramp whose every value names its frame: played and recorded, it
// shows whether each frame of a song was heard once and in order (nothing
// lost, nothing played twice) and how much silence broke it.
#include <cstdint>
#include <vector>

#include "tools/mp3_maker.h"

// Rises from 0.2 to 0.9 over `seconds`, never silent; `fromSeconds` starts
// it further along, for the second half of a song cut in two.
mp3::Signal rampSignal(double seconds, double fromSeconds = 0);

struct RampContinuity {
    std::int64_t rampFrames = 0;     // frames of the ramp heard
    std::int64_t silentWithin = 0;   // silent frames between the ramp's first and last heard
    std::int64_t silenceAfter = -1;  // ramp frames heard before the first of them
    double framesSkipped = 0;        // its end against its start: + frames lost, - frames repeated
};

// Reads a mono recording of ramp. With `cutFrame`, the ramp frame where one
// song hands over to the next, `framesSkipped` is what was lost or repeated
// across that cut alone, from a quarter of a second either side of it; what
// happened elsewhere in the ramp does not count there.
RampContinuity rampContinuity(const std::vector<float>& mono, std::int64_t cutFrame = -1);
