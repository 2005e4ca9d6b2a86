#pragma once
// A font's glyphs as flat filled GL geometry: FreeType's outline, flattened
// into straight segments and tessellated by GLU.
#include <GL/gl.h>
#include <GL/glu.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <vector>

// A glyph's closed contours as points (x, y, 0) in ems, and its advance.
struct GlyphOutline {
    std::vector<std::vector<std::array<double, 3>>> contours;
    double advance = 0;
};

// Glyph `index` of a scalable face as an outline. False when the face has
// no such glyph or only a picture of it (a bitmap or colour font); the
// advance is set whenever the glyph loads.
bool loadGlyphOutline(FT_Face face, FT_UInt index, GlyphOutline& outline);

// Sends an outline's inside to GL as triangles, counter-clockwise about +z
// so face culling keeps them; for use while compiling a display list.
class OutlineFiller {
public:
    OutlineFiller();
    ~OutlineFiller();
    OutlineFiller(const OutlineFiller&) = delete;
    OutlineFiller& operator=(const OutlineFiller&) = delete;

    bool ready() const { return tessellator != nullptr; }
    void fill(GlyphOutline& outline);

private:
    GLUtesselator* tessellator;
};
