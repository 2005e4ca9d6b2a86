#pragma once
// The live frames' clock: seconds since the program started, and the step
// from the frame before.
#include "platform/frame_timer.h"

class LiveClock {
public:
    // The time of the frame starting now, and its step: 0 on the first,
    // and after frames nobody saw (see pause).
    void read();
    // A frame nobody sees: the pictures go on from where they were.
    void pause();

    float frameTime = 0;          // seconds since the clock was made, this frame
    float previousFrameTime = 0;  // frameTime of the frame before
    float frameDelta = 0;         // frameTime - previousFrameTime

private:
    FrameTimer timer;
    bool started = false;
};
