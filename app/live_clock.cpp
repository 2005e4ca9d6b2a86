#include "app/live_clock.h"

void LiveClock::read() {
    frameTime = static_cast<float>(timer.elapsedSeconds());
    if (!started) {
        previousFrameTime = frameTime;
        started = true;
    }
    frameDelta = frameTime - previousFrameTime;
    previousFrameTime = frameTime;
}

void LiveClock::pause() {
    read();
    frameDelta = 0;
}
