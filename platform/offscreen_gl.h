#pragma once
// A GL context with no window system behind it (Mesa's EGL, with no display
// and no surface), drawing into a framebuffer object of a video's size: a
// render then needs no X server at all. The context is made as the window's
// is (a compatibility context, the drawing being GL 1.1) and the picture
// target has the depth format of the window's, so both draw the same pixels.
#include "base/problem.h"

class OffscreenGl {
public:
    OffscreenGl() = default;
    // The picture target and the context go with the object.
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    // Makes the context current with the picture target bound; a one-line
    // reason when EGL gives no context here.
    Problem open(int width, int height);
    // Pictures drawn in turn into targets of their own, so one can be drawn
    // while the one before is still being rasterised.
    static constexpr int kTargets = 2;
    // A framebuffer object that holds a picture; 0 before open.
    unsigned framebuffer(int picture) const { return targets[picture % kTargets].framebuffer; }

private:
    struct Target {
        unsigned framebuffer = 0;
        unsigned colour = 0;
        unsigned depth = 0;
    };
    Problem makeTarget(Target& target, int width, int height);
    void close();

    void* display = nullptr;  // EGLDisplay
    void* context = nullptr;  // EGLContext
    Target targets[kTargets];
};
