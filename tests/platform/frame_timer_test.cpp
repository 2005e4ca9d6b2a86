#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/frame_timer.h"

TEST(FrameTimer, StartsNearZeroAndNeverGoesBack) {
    FrameTimer timer;
    EXPECT_GT(timer.frequency, 0);
    const double first = timer.elapsedSeconds();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 0.05);
    double previous = first;
    for (int i = 0; i < 1000; ++i) {
        const double now = timer.elapsedSeconds();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST(FrameTimer, MeasuresRealTimeAndKeepsTheLatestCount) {
    FrameTimer timer;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double seconds = timer.elapsedSeconds();
    EXPECT_GE(seconds, 0.049);
    EXPECT_LT(seconds, 2.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(timer.lastCount - timer.startCount) / timer.frequency,
                     seconds);
}

TEST(FrameTimer, ARateOfZeroGivesAFiniteTime) {
    FrameTimer timer;
    timer.frequency = 0;
    EXPECT_EQ(timer.elapsedSeconds(), 0.0);
}

