#pragma once
// The program's one window, ":]", with its GL state: on the user's display
// for a run, on a private one at a video's size for a render.
#include <string>
#include <vector>

#include "base/design_window.h"

struct WindowRequest {
    // The program's name, then freeglut's own options (-display NAME, ...).
    std::vector<std::string> glutWords = {"viz"};
    int width = kDesignWindowSize;
    int height = kDesignWindowSize;
    // An alpha channel the pictures never use: Mesa then reads a frame back
    // as a plain copy (0.65 ms instead of 2.2 ms at 1080 x 1080).
    bool alpha = false;
    // Placed at the centre of this area (a monitor) when it has a size.
    int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;

    // Asked for with -iconic: the window manager keeps the window unmapped,
    // and no event says so.
    bool startsMinimised() const;
};

// Whether the X display `name` ("" for the default) answers.
bool displayOpens(const std::string& name);

// glutInit, the double-buffered window with a depth buffer, and initGL.
void openProgramWindow(const WindowRequest& request);
