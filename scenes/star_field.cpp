#include "scenes/star_field.h"

#include <GL/gl.h>

#include "base/random.h"
#include "draw/drawing_helpers.h"

namespace {
constexpr int kStars = 400;
constexpr int kGroups = 5;

float randomCoordinate() { return static_cast<float>(nextRandom() % 10 - 5); }
}  // namespace

StarField::StarField() {
    stars.reserve(kStars);
    for (int i = 0; i < kStars; ++i) {
        Star star;
        star.x = randomCoordinate();
        star.y = randomCoordinate();
        star.z = randomCoordinate();
        stars.push_back(star);
    }
}

StarField::~StarField() = default;

void drawStarCross(const Star& star, float scale, float level) {
    const float length = level * scale;
    // With smoothing on, GL draws a line of no length as a dot: in silence
    // the stars must not show at all.
    if (length == 0) return;
    const float cx = -star.x, cy = -star.y, cz = -star.z;
    glBegin(GL_LINES);
    glVertex3f(cx, cy, cz);
    glVertex3f(cx - length, cy, cz);
    glVertex3f(cx, cy, cz);
    glVertex3f(cx, cy - length, cz);
    glVertex3f(cx, cy, cz);
    glVertex3f(cx, cy, cz - length);
    glVertex3f(cx, cy, cz);
    glVertex3f(cx + length, cy, cz);
    glVertex3f(cx, cy, cz);
    glVertex3f(cx, cy + length, cz);
    glVertex3f(cx, cy, cz);
    glVertex3f(cx, cy, cz + length);
    glEnd();
}

void StarField::update(float level) {
    for (Star& star : stars) {
        star.z += 2 * level;
        if (star.z > 5) {
            star.x = randomCoordinate();
            star.y = randomCoordinate();
            star.z = -5;
        }
    }
}

void StarField::draw(float level, Vec3 angles) const {
    glColor3f(1, 1, 1);
    glPushMatrix();
    const std::size_t groupSize = stars.size() / kGroups;
    for (int group = 0; group < kGroups; ++group) {
        // Not undone between groups: each fifth turns one step further.
        rotateXYZ({0.2f * angles.x, 0.2f * angles.y, 0.2f * angles.z});
        for (std::size_t i = group * groupSize; i < (group + 1) * groupSize; ++i) {
            drawStarCross(stars[i], 1.0f, level);
        }
    }
    glPopMatrix();
    glColor3f(1, 0, 0);
}
