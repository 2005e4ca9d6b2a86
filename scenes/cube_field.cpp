#include "scenes/cube_field.h"

#include <GL/gl.h>

#include "draw/drawing_helpers.h"
#include "draw/solid_cube.h"

namespace {
constexpr float kSamplePeriod = 0.01f;
constexpr double kCubeEdge = 0.1;
}  // namespace

CubeField::~CubeField() = default;

void CubeField::update(float step, Vec3 position, Vec3 angles) {
    sinceLastSample += step;
    if (sinceLastSample > kSamplePeriod) {
        samples.push_front({.position = position, .angles = angles});
        sinceLastSample = 0;  // at most one sample a frame, however long the frame
    }
}

void CubeField::keepNewest(unsigned limit) {
    while (samples.size() > limit) samples.pop_back();
}

void CubeField::draw(float angleScale) const {
    glPushMatrix();
    for (const CubeFieldSample& sample : samples) {
        glPushMatrix();
        // mousePoint's signs are flipped; x and y put back under the pointer.
        glTranslatef(-sample.position.x, -sample.position.y, sample.position.z);
        drawSolidCube(kCubeEdge);
        glPopMatrix();
        // Not popped: every older cube is turned by this sample as well.
        rotateXYZ({-sample.angles.x * angleScale, -sample.angles.y * angleScale,
                   sample.angles.z * angleScale});
    }
    glPopMatrix();
}
