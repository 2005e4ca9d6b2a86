#pragma once
// The GL drawing the figures share: the unit circle and turns of the
// current matrix.
#include "base/geometry.h"
#include "base/vector.h"

// One GL_LINE_LOOP through `segments` points of the unit circle, from (1, 0)
// counter-clockwise.
void drawUnitCircle(int segments);

// Rotates the current matrix about X, then Y, then Z, by degrees.
void rotateXYZ(Vec3 angles);
