#include "scenes/cube_tunnel.h"

#include <GL/gl.h>

#include "base/design_window.h"
#include "draw/drawing_helpers.h"
#include "draw/solid_cube.h"

namespace {
constexpr float kEmitAfter = 0.2f;
constexpr std::size_t kMaxRings = 25;
constexpr double kCubeEdge = 0.5;

Ring newRing(float yaw, float pitch, float level) {
    std::vector<Point2> corners;
    appendCirclePoints(4, corners);
    Ring ring;
    // A new cube's roll starts at the loudness of the frame that made it.
    for (const Point2& p : corners) {
        ring.push_back({.x = p.x, .y = p.y, .z = 2.0f, .yaw = yaw, .pitch = pitch, .roll = level});
    }
    return ring;
}
}  // namespace

CubeTunnel::~CubeTunnel() = default;

void CubeTunnel::update(float pointerX, float pointerY, float level) {
    // Measured from the design window's centre, whatever the real size.
    const float yaw = (pointerX - kDesignWindowCentre) * 0.1f;
    const float pitch = (pointerY - kDesignWindowCentre) * 0.1f;
    if (emitTimer > kEmitAfter) rings.push_front(newRing(yaw, pitch, level));
    spin += 3 * level;
}

void CubeTunnel::draw(Vec3 position, Vec3 angles) const {
    glPushMatrix();
    for (const Ring& ring : rings) {
        for (const TunnelCube& cube : ring) {
            glPushMatrix();
            glTranslatef(position.y, position.x, position.z);  // x and y exchanged
            rotateXYZ({cube.pitch, cube.yaw, cube.roll});
            glTranslatef(3 * cube.x, 3 * cube.y, cube.z);
            rotateXYZ(angles);
            drawSolidCube(kCubeEdge);
            glPopMatrix();
        }
    }
    glPopMatrix();
}

void CubeTunnel::advance(float step, float level) {
    for (Ring& ring : rings) {
        for (TunnelCube& cube : ring) {
            // Per frame, not per second: the tunnel keeps its shape at any frame rate.
            cube.roll += spin + 5.0f;
            cube.z -= level + 2.0f;
        }
    }
    while (rings.size() > kMaxRings) rings.pop_back();
    emitTimer += step;
}
