#pragma once
#include <deque>

#include "base/vector.h"

// Scenes 0 and 1: a trail of small cubes that follows the mouse and curls
// into rings and spirals as every sample turns all older cubes.
struct CubeFieldSample {
    Vec3 position;  // mousePoint when the sample was taken
    Vec3 angles;    // mouseDrag at that moment
};

class CubeField {
public:
    virtual ~CubeField();

    // Takes a sample once more than 0.01 s of steps have gathered: at most
    // one a frame.
    void update(float step, Vec3 position, Vec3 angles);
    // Every sample's cube, newest first, each turned by all newer samples.
    void draw(float angleScale) const;
    // Drops all but the newest `limit` samples, once they have been drawn.
    void keepNewest(unsigned limit);

    std::deque<CubeFieldSample> samples;  // newest at the front
    float sinceLastSample = 0;
};

