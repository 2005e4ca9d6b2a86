#pragma once
// What the user did to the window, as the window system reported it: the
// keys and clicks since the frame before, in order, and where the pointer
// and the window are now. The window's callbacks write it; each frame takes
// the events once.
#include <vector>

#include "base/design_window.h"
#include "base/vector.h"

struct WindowEvent {
    enum class Kind { KeyDown, KeyUp, LeftArrowUp, RightArrowUp, F11Down, ButtonUp };
    Kind kind = Kind::KeyDown;
    unsigned char key = 0;  // the character, for KeyDown and KeyUp
};

struct WindowInput {
    // Records the pointer's passive motion to window pixel (x, y).
    void pointerMovedTo(int x, int y);
    // The events so far, oldest first; none are left.
    std::vector<WindowEvent> takeEvents();

    std::vector<WindowEvent> events;
    float mouseX = 0;  // window pixels from the left, last passive motion
    float mouseY = 0;  // window pixels from the top
    Vec3 mousePoint;   // the pointer in scene units
    Vec3 mouseDrag;    // sum of (previous - new) pointer positions, pixels
    float pressX = 0, pressY = 0;  // where a button last went down, window pixels from the top left
    bool buttonHeld = false;
    int windowWidth = kDesignWindowSize;  // the real window size, kept by every reshape
    int windowHeight = kDesignWindowSize;

private:
    bool pointerSeen = false;
    float previousMouseX = 0;
    float previousMouseY = 0;
};
