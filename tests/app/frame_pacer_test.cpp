#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/frame_pacer.h"

// Seen, frames follow at once or at the user's cap; unseen, at 30 a second
// or the cap when it is lower.
TEST(FramePacer, IntervalFollowsTheWindowAndTheCap) {
    FramePacer pacer;
    EXPECT_EQ(pacer.frameInterval(), 0.0) << "seen and uncapped";
    for (int unseen : {GLUT_HIDDEN, GLUT_FULLY_COVERED}) {
        pacer.setWindowStatus(unseen);
        EXPECT_FALSE(pacer.windowSeen());
        EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 30);
    }
    pacer.setWindowStatus(GLUT_PARTIALLY_RETAINED);
    EXPECT_TRUE(pacer.windowSeen()) << "a window seen in part is drawn";
    EXPECT_EQ(pacer.frameInterval(), 0.0);

    pacer.setMaximumRate(20);
    EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 20);
    pacer.setWindowStatus(GLUT_HIDDEN);
    EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 20) << "a cap below 30 holds when unseen";
    pacer.setMaximumRate(144);
    EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 30);
    pacer.setWindowStatus(GLUT_FULLY_RETAINED);
    EXPECT_DOUBLE_EQ(pacer.frameInterval(), 1.0 / 144);
}

// Frames keep the beat when the wait overshoots a little, and a frame that
// comes late starts the beat anew instead of letting frames bunch up.
TEST(FramePacer, KeepsTheBeatAndStartsItAnewWhenLate) {
    FramePacer pacer;
    pacer.setMaximumRate(10);
    pacer.frameStarted(5.0);
    EXPECT_NEAR(pacer.secondsUntilNextFrame(5.04), 0.06, 1e-9);
    EXPECT_EQ(pacer.secondsUntilNextFrame(5.1), 0.0);
    pacer.frameStarted(5.103);  // 3 ms past its time
    EXPECT_NEAR(pacer.secondsUntilNextFrame(5.15), 0.05, 1e-9);
    pacer.frameStarted(7.0);  // far behind
    EXPECT_NEAR(pacer.secondsUntilNextFrame(7.0), 0.1, 1e-9);
    EXPECT_EQ(pacer.framesStarted, 3u);

    pacer.setMaximumRate(0);
    EXPECT_EQ(pacer.secondsUntilNextFrame(7.0), 0.0) << "uncapped and seen: no wait";
}
