#include <cmath>

#include "scenes/title_cubes.h"
#include "tests/support/gl_test.h"

TEST_F(GlTest, TitleCubesAreAHubAndSixArmsOfNineteen) {
    TitleCubes cubes;
    glColor3f(0.2f, 0.4f, 0.6f);
    const auto before = gltest::matrixState();
    cubes.update(0);
    const auto centres = gltest::cubeCentres([&] { cubes.draw(0, 0, {0, 0, 0}); });
    EXPECT_EQ(centres.size(), 1u + 6 * 19);
    EXPECT_EQ(gltest::matrixState(), before);
    EXPECT_EQ(gltest::currentColor()[1], 0.4f) << "no colour of its own";
    EXPECT_EQ(cubes.spinX, 0.0f) << "silence does not spin the hub";
}

TEST_F(GlTest, SilentFirstFrameArmsAreStraightShrinkingChains) {
    glPushMatrix();
    glLoadIdentity();
    const auto centres = gltest::cubeCentres([] { drawArm(0, 0, 0, 0); });
    glPopMatrix();
    ASSERT_EQ(centres.size(), 19u);
    // Straight along x, each gap 0.9 of the one before: 2.25, 2.025, ...
    EXPECT_NEAR(centres[0].x, 2.25f, 1e-3);
    EXPECT_NEAR(centres[1].x - centres[0].x, 2.25f * 0.9f, 1e-3);
    EXPECT_NEAR(centres[18].x - centres[17].x, 2.25f * std::pow(0.9f, 18), 1e-3);
    for (const auto& centre : centres) EXPECT_NEAR(centre.y, 0, 1e-3);

    EXPECT_TRUE(gltest::cubeCentres([] { drawArm(19, 10, 10, 0); }).empty());
}
