#include <cmath>

#include "scenes/rosette.h"
#include "tests/support/gl_test.h"

namespace {
// The centre of each circle: the mean of its 100 points.
std::vector<gltest::WindowPoint> circleCentres() {
    const auto lines = gltest::captureFeedback(drawRosette);
    std::vector<gltest::WindowPoint> centres;
    for (std::size_t first = 0; first + 100 <= lines.size(); first += 100) {
        gltest::WindowPoint sum;
        for (std::size_t i = first; i < first + 100; ++i) {
            sum.x += lines[i].vertices[0].x / 100;
            sum.y += lines[i].vertices[0].y / 100;
        }
        centres.push_back(sum);
    }
    return centres;
}
}  // namespace

TEST_F(GlTest, RosetteIsFourteenCirclesTurnedFifteenDegreesEachWay) {
    const auto centres = circleCentres();
    ASSERT_EQ(centres.size(), 14u);
    const float c = 0.5f * std::cos(15 * M_PI / 180), s = 0.5f * std::sin(15 * M_PI / 180);
    const auto first = gltest::project(c, s, 0);    // (0.483, 0.129)
    const auto second = gltest::project(c, -s, 0);  // (0.483, -0.129)
    EXPECT_NEAR(centres[0].x, first.x, 0.2);
    EXPECT_NEAR(centres[0].y, first.y, 0.2);
    EXPECT_NEAR(centres[7].x, second.x, 0.2);
    EXPECT_NEAR(centres[7].y, second.y, 0.2);
}

TEST_F(GlTest, RosetteLeavesLightWhiteAndTheStacks) {
    glDisable(GL_LIGHTING);
    const auto before = gltest::matrixState();
    drawRosette();
    EXPECT_EQ(gltest::matrixState(), before);
    EXPECT_TRUE(gltest::isEnabled(GL_LIGHTING));
    const auto colour = gltest::currentColor();
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
}
