#pragma once
// The live program's frames. Each settles the song, reads the clock and the
// loudness, makes the Frame the figures are drawn from, draws the scene the
// user chose, and then the song's caption.
#include <memory>

#include "app/figures.h"
#include "app/frame.h"
#include "app/frame_pacer.h"
#include "app/frame_timer.h"
#include "app/scene_table.h"
#include "audio/listener.h"

class FrameLoop {
public:
    void drawFrame();
    // A frame nobody sees: the songs settle and advance, the clock moves on,
    // nothing is drawn.
    void keepSongsGoing();
    // The clock's step of drawFrame: frameTime, and frameDelta since the
    // frame before.
    void readFrameClock();
    // What the figures are drawn from, as things stand now.
    Frame currentFrame() const;

    float frameTime = 0;          // seconds since process start, this frame
    float previousFrameTime = 0;  // frameTime of the previous frame
    float frameDelta = 0;         // frameTime - previousFrameTime; 0 on the first frame
    float songTime = 100;         // seconds since the last automatic song change; no caption before the first
    float level = 1;              // the loudness of this frame
    Figures figures;              // built before main: the stars come from the unseeded generator
    // Set when the pictures follow what the desktop plays: no song plays then.
    std::unique_ptr<Listener> listener;
    FramePacer pacer;

private:
    void advanceEndedSong();
    void drawSongCaptionStep(const Frame& frame);

    FrameTimer frameTimer;
    bool clockStarted = false;
};

// The live program's: GLUT's display callback takes no object.
extern FrameLoop frameLoop;

// freeglut's idle callback: starts each frame when it is due, drawn when
// the window is seen.
void onIdle();
void onDisplay();
void onWindowStatus(int glutStatus);

// The steps of a frame that have a rule of their own.
void clearToLevel(float loudness);
void switchOnLight1();
