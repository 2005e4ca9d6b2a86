#include "platform/pointer_hider.h"

#include <GL/freeglut.h>

namespace {
constexpr double kStillSeconds = 2.0;
}

void PointerHider::moved(double now) { lastMotion = now; }

void PointerHider::update(double now, bool fullscreen) {
    // Two seconds from going fullscreen too, not from a move long before.
    if (fullscreen && !wasFullscreen) lastMotion = now;
    wasFullscreen = fullscreen;
    const bool hide = fullscreen && now - lastMotion >= kStillSeconds;
    if (hide == hidden) return;
    hidden = hide;
    glutSetCursor(hide ? GLUT_CURSOR_NONE : GLUT_CURSOR_INHERIT);
}
