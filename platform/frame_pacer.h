#pragma once
// When the next frame is due. Seen, the window is drawn as fast as the
// display takes it, or at the rate the user capped it to; minimised,
// unmapped or fully covered, nobody looks, and at most 30 frames a second
// keep the songs going.
#include <cstdint>

class FramePacer {
public:
    static constexpr int kUnseenFramesPerSecond = 30;

    // The window's status as freeglut reports it (GLUT_HIDDEN, ...).
    void setWindowStatus(int glutStatus);
    // A window that starts unmapped, with no event to say so.
    void setWindowHidden() { seen = false; }
    // The user's cap, frames a second; 0 for none.
    void setMaximumRate(int framesPerSecond);

    // True while freeglut draws the window: it calls the display callback
    // only then.
    bool windowSeen() const { return seen; }
    // Seconds between frame starts; 0 when frames follow each other at once.
    double frameInterval() const;

    // Seconds to wait, from `now`, before the next frame may start.
    double secondsUntilNextFrame(double now) const;
    void frameStarted(double now);

    std::uint64_t framesStarted = 0;

private:
    bool seen = true;  // until the window system says otherwise
    int maximumRate = 0;
    double lastStart = -1e9;
};
