#include <gtest/gtest.h>

#include "app/render.h"
#include "app/render_batch.h"

// A line wider than the terminal wraps, and each update then starts a new
// line instead of replacing the last.
TEST(RenderProgress, FitsAnEightyColumnTerminalWhateverTheNumbers) {
    EXPECT_LE(progressLine(0, 1, 0, 0).size(), 79u);
    EXPECT_LE(progressLine(5'184'000, 5'184'000, 123456.0, 0).size(), 79u) << "a day at 60 fps, done";
    EXPECT_LE(progressLine(1, 20'736'000, 0.01, 99'999'999).size(), 79u) << "a day at 240 fps, slowly";
    EXPECT_NE(progressLine(30, 60, 2.5, 12).find("30/60"), std::string::npos);
}

TEST(RenderProgress, TheFolderLineFitsTooAndSaysWhenTheTimeLeftIsNotKnown) {
    EXPECT_LE(batchProgressLine(999'999, 1'000'000, 999'999, 999'999'999).size(), 79u);
    EXPECT_NE(batchProgressLine(0, 200, 0, -1).find("unknown"), std::string::npos);
    EXPECT_NE(batchProgressLine(12, 200, 1, 3725).find("1:02:05 left"), std::string::npos);
}
