#pragma once
#include "base/drawing_helpers.h"

// The title screen's spinning figure: a hub cube with six arms of 19
// shrinking cubes, swaying with time and curled and spun by the loudness.
class TitleCubes {
public:
    virtual ~TitleCubes();

    // phase: seconds, used as radians for the sway; angles: degrees.
    void draw(float phase, float level, Vec3 angles);

    float spinX = 0, spinY = 0, spinZ = 0;  // degrees; grow with the loudness
};

// The loudness given to the latest TitleCubes::draw; curls every arm.
extern float armLevel;

// One arm: 19 - first cubes, each moved, bent, drawn and shrunk by 0.9
// from the one before.
void drawArm(int first, float bendY, float bendX);

extern TitleCubes titleCubes;
