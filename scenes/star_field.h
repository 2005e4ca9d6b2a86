#pragma once
#include <vector>

#include "base/drawing_helpers.h"

// Behind the song list: 400 white crosses drifting through a 10-unit cube,
// sized and sped by the loudness, turned in five groups by the mouse.
struct Star {
    float x = 0, y = 0, z = 0;  // drawn centred on (-x, -y, -z)
};

class StarField {
public:
    // Draws its 400 stars from the random generator; needs no GL.
    StarField();
    virtual ~StarField();

    // Moves every star 2 * level deeper (per frame) and draws the field.
    // step is unused: the drift is per frame. Leaves red as the colour.
    void draw(float step, float level, Vec3 angles);

    std::vector<Star> stars;
};

// Three axis-aligned segments of length 2 * level * scale through the
// star's drawn centre; nothing at all when that length is 0.
void drawStarCross(const Star& star, float scale, float level);

extern StarField starField;
