#pragma once
#include <deque>
#include <vector>

#include "base/vector.h"

// Scene 3: a tunnel of rings of four cubes that recede and roll with the
// music and bend after the mouse.
struct TunnelCube {
    float x = 0, y = 0, z = 0;       // ring position before scaling
    float yaw = 0, pitch = 0, roll = 0;  // degrees
};
using Ring = std::vector<TunnelCube>;

class CubeTunnel {
public:
    virtual ~CubeTunnel();

    // Adds a ring every call once 0.2 s of steps have passed, draws every
    // ring (newest first), moves them on, then keeps at most 25.
    void draw(float step, Vec3 position, Vec3 angles, float pointerX, float pointerY, float level);

    std::deque<Ring> rings;  // newest at the front
    float emitTimer = 0;
};

extern CubeTunnel cubeTunnel;
