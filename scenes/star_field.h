#pragma once
#include <vector>

#include "base/vector.h"

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

    // Moves every star 2 * level deeper: per frame, whatever its length. A
    // star beyond 5 is born again at the back, somewhere new.
    void update(float level);
    // The field, each fifth of it turned one step further by `angles`.
    // Leaves red as the colour.
    void draw(float level, Vec3 angles) const;

    std::vector<Star> stars;
};

// Three axis-aligned segments of length 2 * level * scale through the
// star's drawn centre; nothing at all when that length is 0.
void drawStarCross(const Star& star, float scale, float level);

