#pragma once
// The quads scene 2 has painted, kept as the vertex, colour and index arrays
// GL draws from, so an hour of painting is still one draw call a frame.
#include <cstddef>
#include <vector>

struct PaintQuad {
    float x = 0, y = 0;              // centre, canvas pixels, y upwards
    float red = 0, green = 0, blue = 0;
    float halfWidth = 0, halfHeight = 0;  // either may be negative
};

class PaintQuadStore {
public:
    // False when memory ran out: the quad is dropped, the rest stays drawable.
    bool append(const PaintQuad& quad);
    std::size_t size() const { return colours.size() / kColourFloats; }
    PaintQuad at(std::size_t index) const;
    // Draws every quad, oldest first, in the current model-view.
    void draw() const;

private:
    static constexpr std::size_t kVertexFloats = 8;   // four corners, x and y
    static constexpr std::size_t kColourFloats = 12;  // the colour at each corner
    std::vector<float> vertices;
    std::vector<float> colours;
    std::vector<unsigned> triangles;  // two per quad, same winding
};
