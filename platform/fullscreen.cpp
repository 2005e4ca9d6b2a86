#include "platform/fullscreen.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/x_properties.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr const char* kFullscreenState = "_NET_WM_STATE_FULLSCREEN";
// A manager takes a moment to act on a request; until then its state is the old one.
constexpr auto kTimeToAct = std::chrono::seconds(1);
constexpr auto kLookEvery = std::chrono::milliseconds(500);
bool fullscreen = false;
Clock::time_point nextLook{};

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
    fullscreen = on;
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display != nullptr && window != 0) {
        if (windowManagerSupports(display, kFullscreenState)) {
            waitUntilManaged(display, window);
            askWindowState(display, window, on, kFullscreenState);
        } else if (on) {
            glutFullScreen();
        } else {
            glutLeaveFullScreen();
        }
    }
    nextLook = Clock::now() + kTimeToAct;
}

bool fullscreenNow() { return fullscreen; }

bool fullscreenShown() {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0 || !windowManagerSupports(display, kFullscreenState)) return fullscreen;
    const auto states = readProperty(display, window, "_NET_WM_STATE", XA_ATOM);
    return std::ranges::find(states, atomNamed(display, kFullscreenState)) != states.end();
}

void followWindowManagersFullscreen() {
    if (Clock::now() < nextLook) return;
    nextLook = Clock::now() + kLookEvery;
    fullscreen = fullscreenShown();
}
