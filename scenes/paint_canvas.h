#pragma once
#include <cstddef>
#include <vector>

// Scene 2: a painting canvas in window pixels. Up to 50 times a second a
// rectangle sized by the loudness and the pointer's movement is left under
// the pointer; everything painted scrolls with the pointer's distance from
// (250, 250). Nothing painted is ever removed.

struct PaintQuad {
    float x = 0, y = 0;              // centre, canvas pixels, y upwards
    float red = 0, green = 0, blue = 0;
    float halfWidth = 0, halfHeight = 0;  // either may be negative
};

// Every quad painted, kept as the vertex, colour and index arrays GL draws
// from, so an hour of painting is still one draw call a frame.
class PaintQuadStore {
public:
    // False when memory ran out: the quad is dropped, the rest stays drawable.
    bool append(const PaintQuad& quad);
    std::size_t size() const { return colours.size() / kColourFloats; }
    PaintQuad at(std::size_t index) const;
    // Draws every quad, oldest first, in the current model-view.
    void draw() const;

private:
    static constexpr std::size_t kVertexFloats = 8;   // four corners, x and y
    static constexpr std::size_t kColourFloats = 12;  // the colour at each corner
    std::vector<float> vertices;
    std::vector<float> colours;
    std::vector<unsigned> triangles;  // two per quad, same winding
};

struct CanvasPoint {
    float x = 0, y = 0;
};

extern PaintQuadStore paintQuads;
extern CanvasPoint canvasOffset;
extern CanvasPoint previousPointer;
extern CanvasPoint pointerDelta;
extern float paintColour[3];
extern float colourTimer;
extern float quadTimer;
extern float colourPeriod;

// One scene-2 frame, reading the mouse, level, frame step and window size.
// Leaves lighting on and red as the colour.
void drawPaintScene();
