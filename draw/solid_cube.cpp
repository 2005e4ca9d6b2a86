#include "draw/solid_cube.h"

#include <GL/gl.h>

#include <array>

namespace {
struct CornerOfFace {
    GLfloat x, y, z;
};

// Each face as two triangles fanned from its first corner, in freeglut's
// face order (+z, +x, +y, -x, -y, -z), on a cube of edge 2.
constexpr std::array<std::array<CornerOfFace, 4>, 6> kFaces{{
    {{{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {{{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
    {{{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {{{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
    {{{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
}};
constexpr std::array<CornerOfFace, 6> kFaceNormals{{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
constexpr int kCorners = 6 * 6;

struct CubeArrays {
    std::array<GLfloat, kCorners * 3> vertices{};
    std::array<GLfloat, kCorners * 3> normals{};
};

CubeArrays cubeArrays(GLfloat half) {
    CubeArrays arrays;
    int at = 0;
    for (int face = 0; face < 6; ++face) {
        for (int corner : {0, 1, 2, 0, 2, 3}) {
            const CornerOfFace& c = kFaces[face][corner];
            const CornerOfFace& n = kFaceNormals[face];
            arrays.vertices[at] = c.x * half;
            arrays.vertices[at + 1] = c.y * half;
            arrays.vertices[at + 2] = c.z * half;
            arrays.normals[at] = n.x;
            arrays.normals[at + 1] = n.y;
            arrays.normals[at + 2] = n.z;
            at += 3;
        }
    }
    return arrays;
}
}  // namespace

void drawSolidCube(double size) {
    // Sent as arrays, as freeglut does: drawn from arrays, the current normal
    // is left as it was, where glNormal calls would change it.
    const CubeArrays arrays = cubeArrays(static_cast<GLfloat>(size / 2));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, arrays.vertices.data());
    glNormalPointer(GL_FLOAT, 0, arrays.normals.data());
    glDrawArrays(GL_TRIANGLES, 0, kCorners);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    // The arrays live on this stack: GL keeps no pointer to them.
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glNormalPointer(GL_FLOAT, 0, nullptr);
}
