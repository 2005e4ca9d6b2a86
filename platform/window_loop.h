#pragma once
// freeglut's loop over the program's window. Its callbacks only record what
// the user does; the client draws a frame when one is due and the window is
// seen, and keeps the program going when it is not.
#include "platform/frame_pacer.h"
#include "platform/multisample_buffer.h"
#include "platform/pointer_hider.h"
#include "platform/window_input.h"

class WindowClient {
public:
    virtual ~WindowClient() = default;
    // A frame someone sees: drawn into the back buffer, swapped after.
    virtual void drawFrame(WindowInput& input) = 0;
    // A frame nobody sees: all but the drawing goes on.
    virtual void keepGoing(WindowInput& input) = 0;
};

// The window's new size: kept in `input` for the frames, and the projection
// set for it.
void reshapeWindow(WindowInput& input, int width, int height);

class WindowLoop {
public:
    explicit WindowLoop(WindowClient& client) : client(client) {}
    ~WindowLoop();
    WindowLoop(const WindowLoop&) = delete;
    WindowLoop& operator=(const WindowLoop&) = delete;

    // Takes the open window's callbacks; the loop the last to attach runs.
    void attach();
    // attach, then freeglut's loop, until the window closes or leave().
    void run();
    // Ends run() after the callback in progress.
    static void leave();

    // freeglut's idle callback: starts each frame when it is due, drawn when
    // the window is seen.
    void idle();
    // freeglut's display callback: draws and swaps.
    void display();
    // Smooths the edges of the frames with up to `samples` samples a pixel.
    void smoothEdges(int samples);
    // The window's new size, for the frames and the smoothing.
    void reshape(int width, int height);

    WindowInput input;
    FramePacer pacer;
    PointerHider pointer;
    MultisampleBuffer smooth;

private:
    WindowClient& client;
};
