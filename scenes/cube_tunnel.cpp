#include "scenes/cube_tunnel.h"

#include <GL/freeglut.h>

CubeTunnel cubeTunnel;
float tunnelSpin = 0;

namespace {
constexpr float kEmitAfter = 0.2f;
constexpr std::size_t kMaxRings = 25;
constexpr double kCubeEdge = 0.5;

Ring newRing(float yaw, float pitch, float level) {
    std::vector<Point2> corners;
    appendCirclePoints(4, corners);
    Ring ring;
    for (const Point2& p : corners) ring.push_back({p.x, p.y, 2.0f, yaw, pitch, level});
    return ring;
}
}  // namespace

CubeTunnel::~CubeTunnel() = default;

void CubeTunnel::draw(float step, Vec3 position, Vec3 angles, float pointerX, float pointerY,
                      float level) {
    // 250: the default window's centre, whatever the real size.
    const float yaw = (pointerX - 250) * 0.1f;
    const float pitch = (pointerY - 250) * 0.1f;
    if (emitTimer > kEmitAfter) rings.push_front(newRing(yaw, pitch, level));
    tunnelSpin += 3 * level;

    glPushMatrix();
    for (Ring& ring : rings) {
        for (TunnelCube& cube : ring) {
            glPushMatrix();
            glTranslatef(position.y, position.x, position.z);  // x and y exchanged
            rotateXYZ({cube.pitch, cube.yaw, cube.roll});
            glTranslatef(3 * cube.x, 3 * cube.y, cube.z);
            rotateXYZ(angles);
            glutSolidCube(kCubeEdge);
            glPopMatrix();
            // Per frame, not per second: the tunnel keeps its shape at any frame rate.
            cube.roll += tunnelSpin + 5.0f;
            cube.z -= level + 2.0f;
        }
    }
    while (rings.size() > kMaxRings) rings.pop_back();
    glPopMatrix();
    emitTimer += step;
}
