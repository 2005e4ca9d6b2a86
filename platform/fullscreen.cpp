#include "platform/fullscreen.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/x_properties.h"

namespace {
constexpr const char* kFullscreenState = "_NET_WM_STATE_FULLSCREEN";
bool asked = false;

// A manager acts on a window's state once it has taken the window on, which
// it says by WM_STATE: a window just opened may not be there yet.
void waitUntilManaged(Display* display, Window window) {
    const Atom wmState = atomNamed(display, "WM_STATE");
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
         readProperty(display, window, "WM_STATE", wmState).empty() && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
}  // namespace

void setFullscreen(bool on) {
    asked = on;
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;
    if (windowManagerSupports(display, kFullscreenState)) {
        waitUntilManaged(display, window);
        askWindowState(display, window, on, kFullscreenState);
    } else if (on) {
        glutFullScreen();
    } else {
        glutLeaveFullScreen();
    }
}

bool fullscreenAsked() { return asked; }

bool fullscreenShown() {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0 || !windowManagerSupports(display, kFullscreenState)) return asked;
    const auto states = readProperty(display, window, "_NET_WM_STATE", XA_ATOM);
    return std::ranges::find(states, atomNamed(display, kFullscreenState)) != states.end();
}
