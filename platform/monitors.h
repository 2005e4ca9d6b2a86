#pragma once
// The monitors of the X screen, as XRandR lists them (xrandr --listmonitors),
// and the one a user names.
#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "base/problem.h"

struct Monitor {
    std::string name;                  // the monitor's own name
    std::vector<std::string> outputs;  // its outputs' names, e.g. HDMI-1
    int x = 0, y = 0, width = 0, height = 0;
    bool primary = false;
};

// In XRandR's order; the whole screen as one monitor when it lists none.
std::vector<Monitor> listMonitors(Display* display);

// The monitor `wanted` names: its number in the list, counted from 0 as
// xrandr counts, or its own or one of its outputs' names. nullptr: none.
const Monitor* findMonitor(const std::vector<Monitor>& monitors, const std::string& wanted);

// On the X display `displayName` ("" for $DISPLAY): the monitor `wanted`
// names, or with "" the primary one (else the first).
Problem monitorOnDisplay(const std::string& displayName, const std::string& wanted, Monitor& monitor);

// "0 LEFT 1280x1024+0+0, 1 RIGHT 1280x1024+1280+0": for a user who named none of them.
std::string describeMonitors(const std::vector<Monitor>& monitors);
