#include "scenes/title_cubes.h"

#include <GL/gl.h>

#include <cmath>

#include "draw/drawing_helpers.h"
#include "draw/solid_cube.h"

namespace {
constexpr int kArmCubes = 19;

float sway(float k, float phase) { return static_cast<float>(25 * std::sin(k * phase)); }

void drawArmAfterTurn(float angle, float x, float y, float z, float bendY, float bendX, float level) {
    if (angle != 0) glRotatef(angle, x, y, z);  // not pushed: the turns add up
    glPushMatrix();
    drawArm(0, bendY, bendX, level);
    glPopMatrix();
}
}  // namespace

TitleCubes::~TitleCubes() = default;

void drawArm(int first, float bendY, float bendX, float level) {
    for (int cube = first; cube < kArmCubes; ++cube) {
        glTranslatef(2.25f, 0, 0);
        glRotatef(20 * level + bendY, 0, 1, 0);
        glRotatef(20 * level + bendX, 1, 0, 0);
        drawSolidCube(1.0);
        glScalef(0.9f, 0.9f, 0.9f);
    }
}

void TitleCubes::update(float level) {
    spinX += 15 * level;
    spinY += 8 * level;
    spinZ += 10 * level;
}

void TitleCubes::draw(float phase, float level, Vec3 angles) const {
    glPushMatrix();
    glTranslatef(0, 0, -25);
    rotateXYZ(angles);
    rotateXYZ({spinX, spinY, spinZ});
    drawSolidCube(1.0);

    const float s1 = sway(1, phase), s2 = sway(0.75f, phase), s3 = sway(0.95f, phase);
    const float s4 = sway(0.7f, phase), s5 = sway(0.8f, phase), s6 = sway(0.6f, phase);
    drawArmAfterTurn(0, 0, 0, 0, s1, s2, level);
    drawArmAfterTurn(90, 0, 1, 0, s3, -s1, level);
    drawArmAfterTurn(90, 0, 1, 0, s4, s5, level);
    drawArmAfterTurn(90, 0, 1, 0, s5, -s6, level);
    drawArmAfterTurn(90, 0, 0, 1, s5, s6, level);
    drawArmAfterTurn(180, 0, 0, 1, -s6, -s1, level);
    glPopMatrix();
}
