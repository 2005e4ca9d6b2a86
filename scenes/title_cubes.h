#pragma once
#include "base/vector.h"

// The title screen's spinning figure: a hub cube with six arms of 19
// shrinking cubes, swaying with time and curled and spun by the loudness.
class TitleCubes {
public:
    virtual ~TitleCubes();

    // The hub spins further with the loudness.
    void update(float level);
    // phase: seconds, used as radians for the sway; angles: degrees; the
    // loudness curls every arm.
    void draw(float phase, float level, Vec3 angles) const;

    float spinX = 0, spinY = 0, spinZ = 0;  // degrees; grow with the loudness
};

// One arm: 19 - first cubes, each moved, bent by the loudness and the sway,
// drawn and shrunk by 0.9 from the one before.
void drawArm(int first, float bendY, float bendX, float level);
