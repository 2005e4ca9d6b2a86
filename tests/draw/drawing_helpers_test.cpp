#include <cmath>

#include "draw/drawing_helpers.h"
#include "tests/support/gl_test.h"

TEST(AppendCirclePoints, AppendsAHeptagonAfterExistingPoints) {
    std::vector<Point2> points = {{7, 7}, {8, 8}, {9, 9}};
    appendCirclePoints(7, points);
    ASSERT_EQ(points.size(), 10u);
    EXPECT_EQ(points[2].x, 9.0f) << "existing points are kept";
    EXPECT_EQ(points[3].x, 1.0f);
    EXPECT_EQ(points[3].y, 0.0f);
    for (int i = 0; i < 7; ++i) {
        const double angle = 2 * M_PI * i / 7;
        EXPECT_NEAR(points[3 + i].x, std::cos(angle), 1e-6) << i;
        EXPECT_NEAR(points[3 + i].y, std::sin(angle), 1e-6) << i;
    }
}

TEST(AppendCirclePoints, ZeroOrNegativeCountAddsNothing) {
    std::vector<Point2> points = {{1, 2}};
    appendCirclePoints(0, points);
    appendCirclePoints(-3, points);
    EXPECT_EQ(points.size(), 1u);
}

TEST(Distance2D, IsEuclidean) {
    EXPECT_EQ(distance2D(250, 250, 250, 250), 0.0f);
    EXPECT_EQ(distance2D(0, 0, 3, 4), 5.0f);
    EXPECT_EQ(distance2D(3, 4, 0, 0), 5.0f);
}

TEST(WindowToScene, MapsCornersToTheViewEdgesWithFlippedSigns) {
    Vec3 out{9, 9, 9};
    windowToScene(0, 0, out);
    EXPECT_NEAR(out.x, 1.644214f, 1e-6);
    EXPECT_NEAR(out.y, -1.644214f, 1e-6);
    EXPECT_EQ(out.z, 0.0f);
    windowToScene(500, 500, out);
    EXPECT_NEAR(out.x, -1.644214f, 1e-6);
    EXPECT_NEAR(out.y, 1.644214f, 1e-6);
    windowToScene(250, 250, out);
    EXPECT_NEAR(out.x, 0.0f, 1e-7);
    EXPECT_NEAR(out.y, 0.0f, 1e-7);
    // The scale ignores the real window size: pixel 1000 lies beyond the edge.
    windowToScene(1000, 250, out);
    EXPECT_NEAR(out.x, -3 * 1.644214f, 1e-5);
}

namespace {
struct Vec3d {
    float x, y, z;
};
// Where the current model-view (minus the camera) sends a direction.
Vec3d transformDirection(float x, float y, float z) {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return {m[0] * x + m[4] * y + m[8] * z, m[1] * x + m[5] * y + m[9] * z,
            m[2] * x + m[6] * y + m[10] * z};
}
}  // namespace

TEST_F(GlTest, RotateXYZTurnsAboutXThenYThenZ) {
    glPushMatrix();
    glLoadIdentity();
    rotateXYZ({90, 0, 0});
    Vec3d v = transformDirection(0, 1, 0);
    EXPECT_NEAR(v.z, 1.0f, 1e-6) << "+y of the model points along +z";

    glLoadIdentity();
    rotateXYZ({90, 90, 0});  // Rx(90) * Ry(90): x -> -z -> +y
    v = transformDirection(1, 0, 0);
    EXPECT_NEAR(v.x, 0.0f, 1e-6);
    EXPECT_NEAR(v.y, 1.0f, 1e-6);
    EXPECT_NEAR(v.z, 0.0f, 1e-6);

    glLoadIdentity();
    rotateXYZ({0, 90, 90});  // Ry(90) * Rz(90): x -> +y -> +y
    v = transformDirection(1, 0, 0);
    EXPECT_NEAR(v.y, 1.0f, 1e-6);

    glLoadIdentity();
    rotateXYZ({0, 0, 0});
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
    glPopMatrix();
}

TEST_F(GlTest, DrawUnitCircleEmitsOneClosedLoop) {
    const auto lines = gltest::captureFeedback([] { drawUnitCircle(7); });
    ASSERT_EQ(lines.size(), 7u);
    const auto start = gltest::project(1, 0, 0);
    EXPECT_TRUE(gltest::isLine(lines[0]));
    EXPECT_NEAR(lines[0].vertices[0].x, start.x, 0.01);
    EXPECT_NEAR(lines[0].vertices[0].y, start.y, 0.01);
    EXPECT_NEAR(lines[6].vertices[1].x, start.x, 0.01);

    EXPECT_TRUE(gltest::captureFeedback([] { drawUnitCircle(0); }).empty());
    EXPECT_TRUE(gltest::captureFeedback([] { drawUnitCircle(-5); }).empty());
}
