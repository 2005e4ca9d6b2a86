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

    // Adds a ring every call once 0.2 s of steps have passed, its cubes
    // turned after the pointer; the roll quickens with the loudness.
    void update(float pointerX, float pointerY, float level);
    // Every ring, newest first, bent after the pointer in scene units.
    void draw(Vec3 position, Vec3 angles) const;
    // Once drawn, every cube rolls on and recedes; at most 25 rings stay.
    void advance(float step, float level);

    std::deque<Ring> rings;  // newest at the front
    float emitTimer = 0;
    float spin = 0;  // extra roll per frame for every cube; grows with the loudness, never resets
};
