#pragma once
// The geometry the figures share: circle points, distances, the pointer in
// scene units, and turns of the current matrix.
#include <vector>

#include "base/vector.h"

// One GL_LINE_LOOP through `segments` points of the unit circle, from (1, 0)
// counter-clockwise.
void drawUnitCircle(int segments);

// Appends `count` points of the unit circle to `points` (kept as they are).
void appendCirclePoints(int count, std::vector<Point2>& points);

float distance2D(float x1, float y1, float x2, float y2);

// Maps a window pixel (y from the top) to scene units as seen by the camera.
// Both signs are the opposite of screen directions; consumers negate them.
void windowToScene(float x, float y, Vec3& out);

// Rotates the current matrix about X, then Y, then Z, by degrees.
void rotateXYZ(Vec3 angles);

