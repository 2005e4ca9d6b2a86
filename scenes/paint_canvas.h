#pragma once
// Scene 2: a painting canvas in window pixels. Up to 50 times a second a
// rectangle sized by the loudness and the pointer's movement is left under
// the pointer; everything painted scrolls with the pointer's distance from
// the design window's centre. Nothing painted is ever removed.
#include "scenes/paint_quad_store.h"

struct CanvasPoint {
    float x = 0, y = 0;
};

// What a scene-2 frame takes from the program.
struct PaintFrame {
    float pointerX = 0, pointerY = 0;  // window pixels, y from the top
    float windowWidth = 0, windowHeight = 0;  // pixels
    float step = 0;                    // seconds since the previous frame
    float level = 0;                   // the loudness
};

class PaintCanvas {
public:
    // Scrolls, and leaves a quad under the pointer when one is due.
    void update(const PaintFrame& frame);
    // Everything painted, where the scroll has taken it. Leaves lighting on
    // and red as the colour.
    void draw(const PaintFrame& frame) const;

    PaintQuadStore paintQuads;
    CanvasPoint canvasOffset;
    float paintColour[3] = {0, 0, 0};
    float colourTimer = 0;   // seconds with this colour
    float colourPeriod = 0;  // seconds until the next colour

private:
    void start(const PaintFrame& frame);
    void scroll(const PaintFrame& frame);
    void pickNewColour();
    void paintUnderPointer(const PaintFrame& frame);

    bool started = false;
    CanvasPoint previousPointer;
    CanvasPoint pointerDelta;
    float quadTimer = 0;
};
