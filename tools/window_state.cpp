// Asks the window manager to add or remove a state of a window, as a pager
// or the manager's own key does: for the tests of what viz makes of a
// fullscreen it did not ask for.
// Usage: viz_window_state WINDOW add|remove STATE   (e.g. _NET_WM_STATE_FULLSCREEN, on $DISPLAY)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/x_properties.h"

int main(int argc, char** argv) {
    const std::string_view change = argc == 4 ? argv[2] : "";
    if (change != "add" && change != "remove") {
        std::fprintf(stderr, "usage: viz_window_state WINDOW add|remove STATE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "viz_window_state: no display\n");
        return 2;
    }
    const auto window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    askWindowState(display, window, change == "add", argv[3]);
    XCloseDisplay(display);
    return 0;
}
