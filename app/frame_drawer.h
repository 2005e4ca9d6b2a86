#pragma once
// One frame, whatever drives it: the background cleared to the loudness,
// light 1, the scene with its figures, and the caption of a song just
// advanced to. The live program, the render and the icon tool all draw
// through here.
#include <string>

#include "app/arrow_toggles.h"
#include "app/figures.h"
#include "app/frame.h"
#include "app/frame_source.h"

// The caption that names a song for its first seconds after an automatic
// change; none before the first.
struct SongCaption {
    std::string name;
    float shownFor = 100;  // seconds it has been shown
};

// The display lists the figures draw from, once the window's GL context is
// there.
void prepareFigures();

// Frame `frame` of scene `scene`: its figures follow `source` and the
// arrows, move on and are drawn.
void drawFrame(const Frame& frame, int scene, Figures& figures, FrameSource& source, const ArrowToggles& toggles,
               SongCaption& caption);

// The steps of a frame that have a rule of their own.
void clearToLevel(float loudness);
void switchOnLight1();
