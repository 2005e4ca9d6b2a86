#include <algorithm>
#include <cmath>
#include <vector>

#include "app/figures.h"
#include "base/random.h"
#include "scenes/star_field.h"
#include "tests/support/gl_test.h"

TEST(StarField, FirstStarComesFromTheGeneratorAsAtStartUp) {
    // The live program's figures are built before the generator is seeded,
    // from state 1: draws 41, 18467, 6334. Other tests in this process may
    // have drawn from it already.
    seedRandom(1);
    const Figures figures;
    ASSERT_EQ(figures.starField.stars.size(), 400u);
    EXPECT_EQ(figures.starField.stars[0].x, -4.0f);
    EXPECT_EQ(figures.starField.stars[0].y, 2.0f);
    EXPECT_EQ(figures.starField.stars[0].z, -1.0f);
    for (const Star& star : figures.starField.stars) {
        ASSERT_GE(star.x, -5.0f);
        ASSERT_LE(star.z, 4.0f);
    }
}

TEST_F(GlTest, StarIsRebornOnlyOnceBeyondFive) {
    StarField field;
    field.stars.assign(400, Star{1, 1, 4});
    field.update(0.5f);
    field.draw(0.5f, {0, 0, 0});
    EXPECT_EQ(field.stars[0].z, 5.0f) << "exactly 5 stays";
    seedRandom(1);
    field.update(0.5f);
    field.draw(0.5f, {0, 0, 0});
    EXPECT_EQ(field.stars[0].x, 41 % 10 - 5);
    EXPECT_EQ(field.stars[0].y, 18467 % 10 - 5);
    EXPECT_EQ(field.stars[0].z, -5.0f);
    EXPECT_EQ(field.stars[1].x, 6334 % 10 - 5) << "x then y, star after star";
}

namespace {
// Lit pixels of the field drawn on black, as the program draws it: line
// smoothing on, lighting off.
int litPixelsOfField(float level) {
    StarField field;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    field.update(level);
    field.draw(level, {0, 0, 0});
    glEnable(GL_LIGHTING);
    std::vector<unsigned char> pixels(500 * 500 * 3);
    glReadPixels(0, 0, 500, 500, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](unsigned char c) { return c > 0; }));
}
}  // namespace

TEST_F(GlTest, SilentStarsNeitherMoveNorShow) {
    ASSERT_TRUE(gltest::isEnabled(GL_LINE_SMOOTH)) << "the program's state, where a line of no length shows";
    StarField field;
    const auto stars = field.stars;
    const auto lines = gltest::captureFeedback([&] {
        field.update(0);
        field.draw(0, {0, 0, 0});
    });
    EXPECT_EQ(field.stars[7].z, stars[7].z);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(litPixelsOfField(0), 0);
    EXPECT_GT(litPixelsOfField(0.05f), 100) << "a faint sound shows them";
}

TEST_F(GlTest, StarFieldTurnsEachFifthOneStepFurtherAndLeavesRed) {
    StarField field;
    field.stars.assign(400, Star{-1, 0, 0});  // drawn at (1, 0, 0)
    glColor3f(0, 1, 0);
    const auto before = gltest::matrixState();
    const auto lines = gltest::captureFeedback([&] {
        field.update(0.01f);
        field.draw(0.01f, {0, 0, 50});
    });
    ASSERT_EQ(lines.size(), 400u * 6);
    for (int star : {0, 79, 80, 399}) {
        const int group = star / 80;
        const double turn = (group + 1) * 10 * M_PI / 180;  // 0.2 * 50 degrees a group
        const auto at = gltest::project(static_cast<float>(std::cos(turn)),
                                        static_cast<float>(std::sin(turn)), -0.02f);
        EXPECT_NEAR(lines[star * 6].vertices[0].x, at.x, 0.5) << "star " << star;
        EXPECT_NEAR(lines[star * 6].vertices[0].y, at.y, 0.5) << "star " << star;
    }
    EXPECT_EQ(gltest::matrixState(), before);
    const auto colour = gltest::currentColor();
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
}
