#pragma once
// The program's window on a private display of its own, at a video's size:
// for drawing frames no one sees. A display that fails while it is in use
// ends the process with status 2 and one line, through exit(), which takes
// a partial video away.
#include "base/problem.h"
#include "platform/multisample_buffer.h"
#include "platform/private_display.h"

class RenderWindow {
public:
    RenderWindow() = default;
    // The window and its GL context go before the display does.
    ~RenderWindow();
    RenderWindow(const RenderWindow&) = delete;
    RenderWindow& operator=(const RenderWindow&) = delete;

    // Starts the display, opens the window on it, and sets the projection;
    // with `samples` above 1, edges are smoothed with up to that many a pixel.
    Problem open(int width, int height, int samples = 0);
    // Around each picture's drawing: after endPicture it is in the back
    // buffer, to read.
    void beginPicture() const;
    void endPicture() const;
    // Every picture has been read back: losing the display now is no fault.
    void allPicturesTaken();

private:
    PrivateDisplay display;
    MultisampleBuffer smooth;  // its GL objects go with the context
    bool opened = false;
};
