#pragma once
// The live program's frames: each takes the user's keys and clicks, asks
// the frame source for the moment and loudness, adds the pointer and the
// window, and draws the scene the user chose.
#include "app/controls.h"
#include "app/figures.h"
#include "app/frame.h"
#include "app/frame_drawer.h"
#include "app/frame_source.h"
#include "app/desktop_player.h"
#include "desktop/idle_inhibitor.h"
#include "platform/window_loop.h"

class FrameLoop : public WindowClient {
public:
    explicit FrameLoop(FrameSource& source) : source(source) {}

    void drawFrame(WindowInput& input) override;
    // The songs settle and advance, the clock moves on, nothing is drawn.
    void keepGoing(WindowInput& input) override;

    FrameSource& source;
    Controls controls;
    Figures figures;  // the stars come from the generator as seeded at start
    SongCaption caption;
    Frame frame;  // the frame drawn last
    // Fullscreen with music or the desktop's sound, the screen stays awake.
    IdleInhibitor screenAwake;
    // The desktop's background stays below, never fullscreen over the rest.
    bool fullscreenAllowed = true;
    // The desktop's media controls, while songs play; served each frame.
    DesktopPlayer* desktopPlayer = nullptr;

private:
    void takeInput(WindowInput& input);
    void followFullscreen();
    void stepShaderScenes(int sceneBefore);
};
