#include "platform/frame_pacer.h"

#include <GL/freeglut.h>

#include <algorithm>

void FramePacer::setWindowStatus(int glutStatus) {
    // freeglut stops drawing a window that is unmapped (minimised) or fully
    // covered, and draws it again once it shows, even in part.
    seen = glutStatus == GLUT_FULLY_RETAINED || glutStatus == GLUT_PARTIALLY_RETAINED;
}

void FramePacer::setMaximumRate(int framesPerSecond) { maximumRate = std::max(framesPerSecond, 0); }

double FramePacer::frameInterval() const {
    int rate = maximumRate;
    if (!seen) rate = rate > 0 ? std::min(rate, kUnseenFramesPerSecond) : kUnseenFramesPerSecond;
    return rate > 0 ? 1.0 / rate : 0.0;
}

double FramePacer::secondsUntilNextFrame(double now) const {
    return std::max(0.0, lastStart + frameInterval() - now);
}

void FramePacer::frameStarted(double now) {
    // On the beat while it keeps up; a late frame starts the beat anew, so
    // frames never bunch up to catch up.
    const double interval = frameInterval();
    const double onBeat = lastStart + interval;
    lastStart = interval > 0 && now - onBeat < interval ? onBeat : now;
    ++framesStarted;
}
