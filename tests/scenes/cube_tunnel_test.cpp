#include "scenes/cube_tunnel.h"
#include "tests/support/gl_test.h"

namespace {
constexpr Vec3 kZero{0, 0, 0};

// One frame of the tunnel as scene 3 makes it: a ring when due, the rings
// drawn, then moved on.
void tunnelFrame(CubeTunnel& tunnel, float step, float level, float pointerX = 250, float pointerY = 250) {
    tunnel.update(pointerX, pointerY, level);
    tunnel.draw(kZero, kZero);
    tunnel.advance(step, level);
}

std::vector<gltest::WindowPoint> drawTunnel(CubeTunnel& tunnel, float step, float level,
                                            float pointerX = 250, float pointerY = 250) {
    return gltest::cubeCentres([&] { tunnelFrame(tunnel, step, level, pointerX, pointerY); });
}
}  // namespace

TEST_F(GlTest, TunnelWaitsMoreThanAFifthOfASecond) {
    CubeTunnel tunnel;
    EXPECT_TRUE(drawTunnel(tunnel, 0.1f, 0).empty());
    EXPECT_TRUE(drawTunnel(tunnel, 0.1f, 0).empty());
    EXPECT_FLOAT_EQ(tunnel.emitTimer, 0.2f);
    EXPECT_TRUE(drawTunnel(tunnel, 0.1f, 0).empty()) << "exactly 0.2 adds no ring";
    EXPECT_EQ(drawTunnel(tunnel, 0.1f, 0).size(), 4u);
}

TEST_F(GlTest, TunnelFirstRingSurroundsTheAxisAtDepthTwo) {
    CubeTunnel tunnel;
    tunnel.emitTimer = 0.25f;
    const float level = 0;
    const auto centres = drawTunnel(tunnel, 0.016f, level);
    ASSERT_EQ(centres.size(), 4u);
    const float expected[4][3] = {{3, 0, 2}, {0, 3, 2}, {-3, 0, 2}, {0, -3, 2}};
    for (int i = 0; i < 4; ++i) {
        const auto at = gltest::toEye(expected[i][0], expected[i][1], expected[i][2]);
        EXPECT_NEAR(centres[i].x, at.x, 1e-3) << "cube " << i;
        EXPECT_NEAR(centres[i].y, at.y, 1e-3) << "cube " << i;
        EXPECT_NEAR(centres[i].z, at.z, 1e-2) << "cube " << i;
    }
    const TunnelCube& stored = tunnel.rings.front()[0];
    EXPECT_FLOAT_EQ(stored.z, 0.0f) << "moved 2 + level deeper after drawing";
    EXPECT_FLOAT_EQ(stored.roll, 5.0f);
    EXPECT_EQ(stored.yaw, 0.0f) << "pointer at (250, 250)";
    EXPECT_EQ(stored.pitch, 0.0f);
}

TEST_F(GlTest, TunnelDrawsTwentySixRingsAndKeepsTwentyFive) {
    CubeTunnel tunnel;
    tunnel.emitTimer = 1;
    for (int frame = 0; frame < 30; ++frame) tunnelFrame(tunnel, 0.016f, 0);
    ASSERT_EQ(tunnel.rings.size(), 25u);
    const auto before = gltest::matrixState();
    EXPECT_EQ(drawTunnel(tunnel, 0.016f, 0).size(), 26u * 4);
    EXPECT_EQ(tunnel.rings.size(), 25u);
    EXPECT_EQ(gltest::matrixState(), before);
    // With the music silent each ring is 2 units deeper than the next newer one.
    EXPECT_FLOAT_EQ(tunnel.rings[0][0].z - tunnel.rings[1][0].z, 2.0f);
}
