#pragma once
// The pointer over a fullscreen show: gone after two seconds without
// motion, back at the first move.
class PointerHider {
public:
    void moved(double now);
    // Once a frame: hides or shows the pointer as it now should be.
    void update(double now, bool fullscreen);

    bool hidden = false;

private:
    double lastMotion = 0;
    bool wasFullscreen = false;
};
