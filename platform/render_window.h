#pragma once
// The program's window on a private display of its own, at a video's size:
// for drawing frames no one sees. A display that fails while it is in use
// ends the process with status 2 and one line, through exit(), which takes
// a partial video away.
#include "base/problem.h"
#include "platform/private_display.h"

class RenderWindow {
public:
    RenderWindow() = default;
    // The window and its GL context go before the display does.
    ~RenderWindow();
    RenderWindow(const RenderWindow&) = delete;
    RenderWindow& operator=(const RenderWindow&) = delete;

    // Starts the display, opens the window on it (multisampled with up to
    // `samples` a pixel), and sets the projection.
    Problem open(int width, int height, int samples = 0);
    // Every picture has been read back: losing the display now is no fault.
    void allPicturesTaken();

private:
    PrivateDisplay display;
    bool opened = false;
};
