#include <chrono>
#include <thread>

#include "platform/window_loop.h"
#include "tests/support/live_frames.h"

using gltest::readPixel;
using gltest::Rgb;

namespace {
void waitMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

TEST_F(LiveFrames, FirstFrameHasNoDeltaThenTheClockRuns) {
    waitMilliseconds(20);
    drawFrame();
    EXPECT_EQ(songs.clock.frameDelta, 0.0f);
    EXPECT_GT(songs.clock.frameTime, 0.0f);
    const float first = songs.clock.frameTime;

    waitMilliseconds(30);
    drawFrame();
    EXPECT_GE(songs.clock.frameDelta, 0.029f);
    EXPECT_FLOAT_EQ(songs.clock.frameDelta, songs.clock.frameTime - first);
    EXPECT_EQ(songs.clock.previousFrameTime, songs.clock.frameTime);
}

TEST_F(GlTest, ClearColourFollowsLevelAndClamps) {
    struct Case {
        float level;
        Rgb expected;
    };
    const Case cases[] = {{0.0f, {0, 0, 0}},
                          {0.25f, {128, 64, 128}},
                          {0.5f, {255, 128, 255}},
                          {0.75f, {255, 191, 255}},
                          {3.0f, {255, 255, 255}}};
    for (const Case& c : cases) {
        clearToLevel(c.level);
        const Rgb pixel = readPixel(250, 250);
        EXPECT_NEAR(pixel.r, c.expected.r, 1) << "level " << c.level;
        EXPECT_NEAR(pixel.g, c.expected.g, 1) << "level " << c.level;
        EXPECT_NEAR(pixel.b, c.expected.b, 1) << "level " << c.level;
    }
}

TEST_F(LiveFrames, EveryFrameSwitchesOnLight1InRed) {
    glDisable(GL_LIGHT1);
    const GLfloat blue[4] = {0, 0, 1, 1};
    glLightfv(GL_LIGHT1, GL_DIFFUSE, blue);
    drawFrame();
    EXPECT_TRUE(gltest::isEnabled(GL_LIGHT1));
    GLfloat diffuse[4];
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    EXPECT_EQ(diffuse[0], 1.0f);
    EXPECT_EQ(diffuse[1], 0.0f);
    EXPECT_EQ(diffuse[2], 0.0f);
    EXPECT_EQ(diffuse[3], 1.0f);
}

TEST_F(LiveFrames, EverySceneLeavesTheMatrixStacksAsFound) {
    for (int scene : {100, 101, 0, 1, 2, 3, 4, 5, 6, 7, 8}) {
        frameLoop.controls.currentScene = scene;
        for (int frame = 0; frame < 3; ++frame) {
            const auto before = gltest::matrixState();
            drawFrame();
            EXPECT_EQ(gltest::matrixState(), before) << "scene " << scene;
        }
    }
}

TEST_F(LiveFrames, TitleAnglesTurnOnceEvery8And6And7Seconds) {
    frameLoop.controls.currentScene = kTitleScene;
    drawFrame();
    float elapsed = 0;
    for (int frame = 0; frame < 5; ++frame) {
        waitMilliseconds(10);
        drawFrame();
        elapsed += songs.clock.frameDelta;
    }
    EXPECT_NEAR(frameLoop.figures.titleAngles.x, elapsed * 45.0f, 1e-3);
    EXPECT_NEAR(frameLoop.figures.titleAngles.y, elapsed * 60.0f, 1e-3);
    EXPECT_NEAR(frameLoop.figures.titleAngles.z, elapsed * 360.0f / 7, 1e-3);
    EXPECT_EQ(frameLoop.caption.shownFor, 100.0f) << "menus never count caption time";
}

TEST_F(LiveFrames, DisplayCallbackDrawsAndSwaps) {
    WindowLoop loop(frameLoop);
    loop.attach();
    loop.display();
    EXPECT_EQ(songs.clock.frameDelta, 0.0f);
    EXPECT_EQ(frameLoop.frame.level, 0.0f) << "no song: silence";
}

TEST_F(LiveFrames, ScenesLeaveLightingAsTheirFiguresDo) {
    struct Case {
        int scene;
        int leaves;  // 1 on, 0 off, -1 as found
    };
    const Case cases[] = {{0, 0},  {1, 0},  {2, 1},  {3, -1}, {4, -1},  {5, -1},
                          {6, -1}, {7, -1}, {8, 1},  {kTitleScene, 1}, {kSelectionScene, 1}};
    for (const Case& c : cases) {
        for (bool litBefore : {false, true}) {
            frameLoop.controls.currentScene = c.scene;
            if (litBefore) {
                glEnable(GL_LIGHTING);
            } else {
                glDisable(GL_LIGHTING);
            }
            drawFrame();
            const bool expected = c.leaves == -1 ? litBefore : c.leaves == 1;
            EXPECT_EQ(gltest::isEnabled(GL_LIGHTING), expected)
                << "scene " << c.scene << (litBefore ? ", lit before" : ", unlit before");
        }
    }
}
