#include "scenes/paint_canvas.h"

#include <GL/gl.h>

#include "base/design_window.h"
#include "base/drawing_helpers.h"
#include "base/overlay.h"
#include "base/random.h"

PaintQuadStore paintQuads;
CanvasPoint canvasOffset;
float paintColour[3] = {0, 0, 0};
float colourTimer = 0;
float colourPeriod = 0;

namespace {
constexpr float kQuadPeriod = 0.02f;  // at most 50 quads a second
bool canvasStarted = false;
CanvasPoint previousPointer;
CanvasPoint pointerDelta;
float quadTimer = 0;

void startCanvas(const PaintFrame& frame) {
    previousPointer = {frame.pointerX, frame.pointerY};
    canvasOffset = {0, 0};
    colourPeriod = static_cast<float>(nextRandom() % 12);
    // Both timers start from this frame's step and then add it once more.
    colourTimer = frame.step;
    quadTimer = frame.step;
    canvasStarted = true;
}

// Scroll speed grows with the pointer's distance from the centre; the
// quadrant sets the direction.
void scrollCanvas(const PaintFrame& frame) {
    constexpr float kCentre = kDesignWindowCentre;
    float speed = 0.1f * distance2D(kCentre, kCentre, frame.pointerX, frame.pointerY);
    if (frame.pointerY < kCentre) speed = -speed;
    canvasOffset.y += speed;
    if (frame.pointerX < kCentre) speed = -speed;
    canvasOffset.x += speed;
}

void pickNewColour() {
    paintColour[0] = paintColour[1] = paintColour[2] = 0;
    colourTimer = 0;
    colourPeriod = static_cast<float>(nextRandom() % 12);
    if (nextRandom() % 3 == 0) {
        paintColour[0] = 1;
    } else if (nextRandom() % 3 == 0) {
        paintColour[1] = 1;
    } else {
        paintColour[2] = 1;
    }
}

void paintUnderPointer(const PaintFrame& frame) {
    if (colourTimer > colourPeriod) pickNewColour();
    PaintQuad quad;
    quad.x = frame.pointerX - canvasOffset.x;
    quad.y = frame.windowHeight - frame.pointerY - canvasOffset.y;
    quad.red = paintColour[0];
    quad.green = paintColour[1];
    quad.blue = paintColour[2] + (nextRandom() % 100) * 0.01f;
    quad.halfWidth = 80 * frame.level + pointerDelta.x + 10;
    quad.halfHeight = 40 * frame.level + pointerDelta.y + 10;
    paintQuads.append(quad);
    quadTimer = 0;
}
}  // namespace

void drawPaintScene(const PaintFrame& frame) {
    glPushMatrix();
    if (!canvasStarted) startCanvas(frame);
    scrollCanvas(frame);
    pointerDelta = {previousPointer.x - frame.pointerX, previousPointer.y - frame.pointerY};
    previousPointer = {frame.pointerX, frame.pointerY};

    beginOverlay(frame.windowWidth, frame.windowHeight);
    colourTimer += frame.step;
    quadTimer += frame.step;
    if (quadTimer > kQuadPeriod) paintUnderPointer(frame);
    glTranslatef(canvasOffset.x, canvasOffset.y, 0);
    paintQuads.draw();
    endOverlay();

    glEnable(GL_LIGHTING);
    glPopMatrix();
    glColor3f(1, 0, 0);
}
