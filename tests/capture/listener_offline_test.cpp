#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "capture/listener.h"

// With no sound server, listening says so once, captures nothing, keeps
// looking, and lets go at once when asked.
TEST(ListenerWithoutServer, SaysSoOnceAndKeepsLooking) {
    setenv("PULSE_SERVER", "unix:/nonexistent/viz-test/native", 1);
    testing::internal::CaptureStderr();
    auto listener = Listener::open("");
    ASSERT_NE(listener, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));  // two more looks
    EXPECT_EQ(listener->framesCaptured(), 0);
    EXPECT_EQ(listener->description(), "");
    const auto start = std::chrono::steady_clock::now();
    listener.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "viz: no sound server to listen to; listening starts when one answers\n");
}
