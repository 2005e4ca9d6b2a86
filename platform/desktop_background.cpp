#include "platform/desktop_background.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/design_window.h"
#include "platform/x_properties.h"

namespace {
constexpr auto kManagerPatience = std::chrono::seconds(2);
constexpr unsigned long kEveryWorkspace = 0xFFFFFFFF;

bool isDesktopWindow(Display* display, Window window) {
    const auto types = readProperty(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM);
    return std::ranges::find(types, atomNamed(display, "_NET_WM_WINDOW_TYPE_DESKTOP")) != types.end();
}

bool managed(Display* display, Window window) {
    const auto state = readProperty(display, window, "WM_STATE", atomNamed(display, "WM_STATE"));
    return !state.empty() && state[0] == NormalState;
}

// Whether the manager has taken `window` on and keeps it below: where it
// lists its clients by stacking, nothing but other desktop windows below it
// (xfwm4 lists no desktop window there at all: taking it on is enough).
bool keptBelowTheOthers(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    for (const auto end = std::chrono::steady_clock::now() + kManagerPatience;
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        if (!managed(display, window)) continue;
        const auto stacking = readProperty(display, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
        const auto ours = std::ranges::find(stacking, window);
        if (ours == stacking.end()) return isDesktopWindow(display, window);
        return std::all_of(stacking.begin(), ours,
                           [&](unsigned long below) { return isDesktopWindow(display, static_cast<Window>(below)); });
    }
    return false;
}

// Takes the window off the screen and waits until the manager has let it
// go: a window's type counts only from when it is mapped.
void withdraw(Display* display, Window window) {
    XWithdrawWindow(display, window, DefaultScreen(display));
    XSync(display, False);
    const Atom wmState = atomNamed(display, "WM_STATE");
    for (const auto end = std::chrono::steady_clock::now() + kManagerPatience; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        const auto state = readProperty(display, window, "WM_STATE", wmState);
        if (state.empty() || state[0] == WithdrawnState) return;
    }
}

// Where the window is, and where the manager should leave it.
void placeWindow(Display* display, Window window, const Monitor& monitor) {
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = monitor.x;
    hints.y = monitor.y;
    hints.width = monitor.width;
    hints.height = monitor.height;
    XSetWMNormalHints(display, window, &hints);
    XMoveResizeWindow(display, window, monitor.x, monitor.y, static_cast<unsigned>(monitor.width),
                      static_cast<unsigned>(monitor.height));
}

void becomeNormalWindow(Display* display, Window window, const Monitor& monitor) {
    withdraw(display, window);
    for (const char* property : {"_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_DESKTOP"}) {
        XDeleteProperty(display, window, atomNamed(display, property));
    }
    Monitor centre = monitor;  // a window of the usual size at the monitor's centre
    centre.x += (monitor.width - kDesignWindowSize) / 2;
    centre.y += (monitor.height - kDesignWindowSize) / 2;
    centre.width = centre.height = kDesignWindowSize;
    placeWindow(display, window, centre);
    XMapRaised(display, window);
    XFlush(display);
}
}  // namespace

Problem makeDesktopBackground(const Monitor& monitor) {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return "no window to make the desktop's background";
    if (!windowManagerSupports(display, "_NET_WM_WINDOW_TYPE_DESKTOP")) {
        return "the window manager keeps no desktop window below the others; viz shows a normal window";
    }
    withdraw(display, window);
    writeProperty(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM,
                  {atomNamed(display, "_NET_WM_WINDOW_TYPE_DESKTOP")});
    writeProperty(display, window, "_NET_WM_STATE", XA_ATOM,
                  {atomNamed(display, "_NET_WM_STATE_BELOW"), atomNamed(display, "_NET_WM_STATE_STICKY"),
                   atomNamed(display, "_NET_WM_STATE_SKIP_TASKBAR"), atomNamed(display, "_NET_WM_STATE_SKIP_PAGER")});
    writeProperty(display, window, "_NET_WM_DESKTOP", XA_CARDINAL, {kEveryWorkspace});
    placeWindow(display, window, monitor);
    XMapWindow(display, window);
    XSync(display, False);
    if (keptBelowTheOthers(display, window)) return {};
    becomeNormalWindow(display, window, monitor);
    return "the window manager did not keep viz's desktop window below the others; viz shows a normal window";
}
