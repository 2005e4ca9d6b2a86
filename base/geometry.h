#pragma once
// The plane geometry the figures share: circle points, distances and the
// pointer in scene units. No drawing here: what draws is in draw/.
#include <vector>

#include "base/vector.h"

// Point `index` of `count` on the unit circle, from (1, 0) counter-clockwise.
Point2 circlePoint(int index, int count);

// Appends `count` points of the unit circle to `points` (kept as they are).
void appendCirclePoints(int count, std::vector<Point2>& points);

float distance2D(float x1, float y1, float x2, float y2);

// Maps a window pixel (y from the top) to scene units as seen by the camera.
// Both signs are the opposite of screen directions; consumers negate them.
void windowToScene(float x, float y, Vec3& out);
