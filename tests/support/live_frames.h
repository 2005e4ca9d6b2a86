#pragma once
// The live program's frames over songs, built as the program builds them,
// drawn in the test's window with the input its callbacks would record.
#include "app/frame_loop.h"
#include "app/song_source.h"
#include "tests/support/gl_test.h"

class LiveFrames : public GlTest {
protected:
    void drawFrame() { frameLoop.drawFrame(windowInput); }
    // What the window's callbacks record, taken at the next frame.
    void record(WindowEvent::Kind kind, unsigned char key = 0) { windowInput.events.push_back({kind, key}); }

    SongSource songs;
    FrameLoop frameLoop{songs};
};
