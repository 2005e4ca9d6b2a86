#pragma once
// Somewhere to draw frames no one sees, at a video's size: a GL context with
// no window system (EGL) where there is one, else the program's window on a
// private display of its own. A display that fails while it is in use ends
// the process with status 2 and one line, through exit(), which takes a
// partial video away.
#include "base/problem.h"
#include "platform/multisample_buffer.h"
#include "platform/offscreen_gl.h"
#include "platform/private_display.h"

class RenderWindow {
public:
    RenderWindow() = default;
    // The window and its GL context go before the display does.
    ~RenderWindow();
    RenderWindow(const RenderWindow&) = delete;
    RenderWindow& operator=(const RenderWindow&) = delete;

    // Makes the context, or else starts the display and opens the window on
    // it (saying so in one line), and sets the projection; with `samples`
    // above 1, edges are smoothed with up to that many a pixel.
    Problem open(int width, int height, int samples = 0);
    // Around each picture's drawing. endPicture sends the picture on to be
    // rasterised and returns: the next can be drawn meanwhile.
    void beginPicture();
    void endPicture();
    // Pictures drawn and not yet read back.
    int unreadPictures() const { return drawn - read; }
    // How many can be drawn before the oldest must be read: two without a
    // window, one with (its one back buffer).
    int picturesInHand() const { return windowOpened ? 1 : OffscreenGl::kTargets; }
    // Reads the oldest picture unread: BGRA, bottom row first.
    void readOldestPicture(int width, int height, unsigned char* pixels);
    // Every picture has been read back: losing the display now is no fault.
    void allPicturesTaken();

private:
    OffscreenGl offscreen;
    PrivateDisplay display;
    MultisampleBuffer smooth;  // its GL objects go before the context
    bool windowOpened = false;
    long long drawn = 0, read = 0;
};
