#include "base/geometry.h"

#include <cmath>

#include "base/design_window.h"

namespace {
// 2π as the figures were first drawn with; kept so points match exactly.
constexpr double kTwoPi = 6.2831853071796;
}  // namespace

Point2 circlePoint(int index, int count) {
    const double angle = index * kTwoPi / static_cast<double>(static_cast<float>(count));
    return {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
}

void appendCirclePoints(int count, std::vector<Point2>& points) {
    for (int i = 0; i < count; ++i) points.push_back(circlePoint(i, count));
}

float distance2D(float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

void windowToScene(float x, float y, Vec3& out) {
    // The half-width of the view at the origin, with the sine taken of
    // 22.5 radians (not degrees): a negative scale, hence the flipped signs.
    const double scale = 6.75 * std::sin(22.5);
    // One over the design window's width, as a float: the centre pixel lands
    // a hair off zero.
    const double perPixel = 1.0f / kDesignWindowSize;
    out.x = static_cast<float>(scale * (x * perPixel) - scale * 0.5);
    out.y = static_cast<float>(scale * 0.5 - scale * (y * perPixel));
    out.z = 0;
}
