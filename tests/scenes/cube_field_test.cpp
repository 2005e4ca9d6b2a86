#include <GL/glu.h>

#include "base/geometry.h"
#include "scenes/cube_field.h"
#include "tests/support/gl_test.h"

namespace {
constexpr Vec3 kStill{0, 0, 0};

// One frame of the field as its scenes make it: a sample, the cubes, the
// oldest forgotten.
void fieldFrame(CubeField& field, float step, float scale, unsigned limit, Vec3 position, Vec3 angles) {
    field.update(step, position, angles);
    field.draw(scale);
    field.keepNewest(limit);
}

std::size_t cubesDrawn(CubeField& field, float step, float scale, unsigned limit, Vec3 position,
                       Vec3 angles = kStill) {
    return gltest::cubeCentres([&] { fieldFrame(field, step, scale, limit, position, angles); }).size();
}
}  // namespace

TEST_F(GlTest, CubeFieldFirstFrameDrawsNothing) {
    CubeField field;
    const auto before = gltest::matrixState();
    EXPECT_EQ(cubesDrawn(field, 0, 1, 50, {1, 1, 0}), 0u);
    EXPECT_TRUE(field.samples.empty());
    EXPECT_EQ(gltest::matrixState(), before);
}

TEST_F(GlTest, CubeFieldSamplesOnlyAfterMoreThanAHundredthOfASecond) {
    CubeField field;
    for (int frame = 1; frame <= 6; ++frame) {
        fieldFrame(field, 0.01f, 1, 50, kStill, kStill);
        EXPECT_EQ(field.samples.size(), static_cast<std::size_t>(frame / 2)) << "frame " << frame;
    }
    fieldFrame(field, 5.0f, 1, 50, kStill, kStill);
    EXPECT_EQ(field.samples.size(), 4u) << "one sample however long the frame";
    EXPECT_EQ(field.sinceLastSample, 0.0f);
}

TEST_F(GlTest, CubeFieldPutsTheNewestCubeUnderThePointer) {
    CubeField field;
    Vec3 pointer;
    windowToScene(400, 100, pointer);  // upper right of the window
    fieldFrame(field, 0.02f, 1, 50, pointer, {30, 40, 0});
    const auto centres = gltest::cubeCentres([&] { fieldFrame(field, 0.0f, 1, 50, pointer, kStill); });
    ASSERT_EQ(centres.size(), 1u);
    // Seen through the camera, that centre lands under the pointer.
    GLdouble projection[16], identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x = 0, y = 0, z = 0;
    gluProject(centres[0].x, centres[0].y, centres[0].z, identity, projection, viewport, &x, &y, &z);
    // Within the small difference between the mouse mapping's fixed scale
    // and the camera's true view width (about 1 %).
    EXPECT_NEAR(x, 400, 2);
    EXPECT_NEAR(y, 500 - 100, 2);
}

TEST_F(GlTest, CubeFieldDrawsBeforeTrimming) {
    CubeField field;
    for (int i = 0; i < 50; ++i) fieldFrame(field, 0.02f, 1, 50, kStill, {1, 2, 0});
    EXPECT_EQ(cubesDrawn(field, 0.02f, 1, 50, kStill, {1, 2, 0}), 51u);
    EXPECT_EQ(field.samples.size(), 50u);
    EXPECT_EQ(cubesDrawn(field, 0.001f, 1, 50, kStill), 50u) << "no new sample, no extra cube";

    for (int i = 0; i < 460; ++i) fieldFrame(field, 0.02f, 0.01f, 500, kStill, kStill);
    ASSERT_EQ(field.samples.size(), 500u);
    EXPECT_EQ(cubesDrawn(field, 0.02f, 1, 50, kStill), 501u) << "scene 0 after scene 1";
    EXPECT_EQ(field.samples.size(), 50u);
}

TEST_F(GlTest, CubeFieldTurnsOlderCubesByEveryNewerSample) {
    CubeField field;
    // A still pointer after a drag: a regular ring of cubes about the origin.
    const Vec3 offCentre{-1, 0, 0};  // drawn at x = +1
    for (int i = 0; i < 4; ++i) fieldFrame(field, 0.02f, 1, 50, offCentre, {0, 0, 90});
    const auto centres = gltest::cubeCentres([&] { fieldFrame(field, 0, 1, 50, offCentre, kStill); });
    ASSERT_EQ(centres.size(), 4u);
    // Each older cube is turned 90 degrees further about z: (1,0), (0,1), (-1,0), (0,-1).
    const float expected[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int k = 0; k < 4; ++k) {
        const auto at = gltest::toEye(expected[k][0], expected[k][1], 0);
        EXPECT_NEAR(centres[k].x, at.x, 1e-3) << "cube " << k;
        EXPECT_NEAR(centres[k].y, at.y, 1e-3) << "cube " << k;
    }
}
