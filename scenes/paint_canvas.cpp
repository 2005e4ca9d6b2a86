#include "scenes/paint_canvas.h"

#include <GL/gl.h>

#include "base/design_window.h"
#include "base/geometry.h"
#include "base/random.h"
#include "draw/overlay.h"

namespace {
constexpr float kQuadPeriod = 0.02f;  // at most 50 quads a second
}  // namespace

void PaintCanvas::start(const PaintFrame& frame) {
    previousPointer = {frame.pointerX, frame.pointerY};
    canvasOffset = {0, 0};
    colourPeriod = static_cast<float>(nextRandom() % 12);
    // Both timers start from this frame's step and then add it once more.
    colourTimer = frame.step;
    quadTimer = frame.step;
    started = true;
}

// Scroll speed grows with the pointer's distance from the centre; the
// quadrant sets the direction.
void PaintCanvas::scroll(const PaintFrame& frame) {
    constexpr float kCentre = kDesignWindowCentre;
    float speed = 0.1f * distance2D(kCentre, kCentre, frame.pointerX, frame.pointerY);
    if (frame.pointerY < kCentre) speed = -speed;
    canvasOffset.y += speed;
    if (frame.pointerX < kCentre) speed = -speed;
    canvasOffset.x += speed;
}

void PaintCanvas::pickNewColour() {
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

void PaintCanvas::paintUnderPointer(const PaintFrame& frame) {
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

void PaintCanvas::update(const PaintFrame& frame) {
    if (!started) start(frame);
    scroll(frame);
    pointerDelta = {previousPointer.x - frame.pointerX, previousPointer.y - frame.pointerY};
    previousPointer = {frame.pointerX, frame.pointerY};
    colourTimer += frame.step;
    quadTimer += frame.step;
    if (quadTimer > kQuadPeriod) paintUnderPointer(frame);
}

void PaintCanvas::draw(const PaintFrame& frame) const {
    glPushMatrix();
    beginOverlay(frame.windowWidth, frame.windowHeight);
    glTranslatef(canvasOffset.x, canvasOffset.y, 0);
    paintQuads.draw();
    endOverlay();
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glColor3f(1, 0, 0);
}
