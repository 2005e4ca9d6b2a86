#include "scenes/paint_quad_store.h"

#include <GL/gl.h>

#include <algorithm>
#include <new>

namespace {
// Grows geometrically ahead of the inserts, so they cannot fail half-way.
template <typename Vector>
void makeRoom(Vector& vector, std::size_t extra) {
    if (vector.size() + extra <= vector.capacity()) return;
    vector.reserve(std::max(vector.capacity() * 2, vector.size() + extra));
}
}  // namespace

bool PaintQuadStore::append(const PaintQuad& quad) {
    const float left = quad.x - quad.halfWidth, right = quad.x + quad.halfWidth;
    const float top = quad.y + quad.halfHeight, bottom = quad.y - quad.halfHeight;
    // Counter-clockwise for positive sizes; a quad with one negative size
    // winds the other way and is culled, as painted.
    const float corners[kVertexFloats] = {left, top, left, bottom, right, bottom, right, top};
    try {
        makeRoom(vertices, kVertexFloats);
        makeRoom(colours, kColourFloats);
        makeRoom(triangles, 6);
    } catch (const std::bad_alloc&) {
        return false;  // out of memory: keep drawing what there is
    }
    const unsigned first = static_cast<unsigned>(size() * 4);
    triangles.insert(triangles.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    vertices.insert(vertices.end(), corners, corners + kVertexFloats);
    for (int corner = 0; corner < 4; ++corner) {
        colours.insert(colours.end(), {quad.red, quad.green, quad.blue});
    }
    return true;
}

PaintQuad PaintQuadStore::at(std::size_t index) const {
    const float* corner = &vertices[index * kVertexFloats];
    const float* colour = &colours[index * kColourFloats];
    PaintQuad quad;
    quad.halfWidth = (corner[4] - corner[0]) / 2;
    quad.halfHeight = (corner[1] - corner[3]) / 2;
    quad.x = corner[0] + quad.halfWidth;
    quad.y = corner[3] + quad.halfHeight;
    quad.red = colour[0];
    quad.green = colour[1];
    quad.blue = colour[2];
    return quad;
}

void PaintQuadStore::draw() const {
    if (size() == 0) return;
    // Blending is on with its default, replacing factors: switching it off
    // changes no pixel and spares the software renderer a blend per pixel.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_BLEND);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glColorPointer(3, GL_FLOAT, 0, colours.data());
    // Indexed triangles: the renderer need not split quads afresh every frame.
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT,
                   triangles.data());
    glPopClientAttrib();
    glPopAttrib();
    // Drawing from a colour array leaves the current colour undefined; the
    // last quad's colour is what painting them one by one would leave.
    const PaintQuad last = at(size() - 1);
    glColor3f(last.red, last.green, last.blue);
}
