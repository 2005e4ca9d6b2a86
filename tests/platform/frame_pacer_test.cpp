#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "platform/frame_pacer.h"

// Frames keep the beat when a wait overshoots a little; a frame that comes
// late starts the beat anew instead of letting frames bunch up; unseen, a cap
// under 30 a second still holds, and a window seen in part counts as seen.
TEST(FramePacer, KeepsTheBeatStartsItAnewWhenLateAndHoldsALowerCapUnseen) {
    FramePacer pacer;
    pacer.setMaximumRate(10);
    pacer.frameStarted(5.0);
    EXPECT_NEAR(pacer.secondsUntilNextFrame(5.04), 0.06, 1e-9);
    EXPECT_EQ(pacer.secondsUntilNextFrame(5.1), 0.0);
    pacer.frameStarted(5.103);  // 3 ms past its time
    EXPECT_NEAR(pacer.secondsUntilNextFrame(5.15), 0.05, 1e-9);
    pacer.frameStarted(7.0);  // far behind
    EXPECT_NEAR(pacer.secondsUntilNextFrame(7.0), 0.1, 1e-9);

    pacer.setWindowStatus(GLUT_FULLY_COVERED);
    EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 10);
    pacer.setMaximumRate(0);
    EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 30);
    pacer.setWindowStatus(GLUT_PARTIALLY_RETAINED);
    EXPECT_EQ(pacer.secondsUntilNextFrame(7.0), 0.0);
}
