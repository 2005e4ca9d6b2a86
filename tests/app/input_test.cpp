#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/frame_loop.h"
#include "app/input.h"
#include "text/caption_banner.h"

TEST(Input, NumberKeysChooseScenesOnPress) {
    input.currentScene = kTitleScene;
    onKeyDown('5', 0, 0);
    EXPECT_EQ(input.currentScene, 5);
    onKeyDown('1', 0, 0);
    EXPECT_EQ(input.currentScene, kSelectionScene);
    for (char key = '2'; key <= '8'; ++key) {
        onKeyDown(key, 0, 0);
        EXPECT_EQ(input.currentScene, key - '0');
    }
    onKeyDown('9', 0, 0);
    onKeyDown('0', 0, 0);
    onKeyDown('Q', 0, 0);  // only lower-case q quits
    onKeyUp('5', 0, 0);
    EXPECT_EQ(input.currentScene, 8);
}

TEST(Input, QQuitsWithStatusZero) {
    input.currentScene = kTitleScene;
    EXPECT_EXIT(onKeyDown('q', 0, 0), testing::ExitedWithCode(0), "");
}

TEST(Input, EnterStepsOnReleaseOnly) {
    input.currentScene = kTitleScene;
    frameLoop.figures.banner.elapsed = 4;
    onKeyDown(13, 0, 0);
    EXPECT_EQ(input.currentScene, kTitleScene);
    onKeyUp(13, 0, 0);
    EXPECT_EQ(input.currentScene, kSelectionScene);
    EXPECT_EQ(frameLoop.figures.banner.elapsed, 0.0f) << "the hint types from its start";

    frameLoop.figures.banner.elapsed = 2;
    onKeyUp(13, 0, 0);
    EXPECT_EQ(input.currentScene, 0);
    EXPECT_EQ(frameLoop.figures.banner.elapsed, 2.0f);
    onKeyUp(13, 0, 0);
    EXPECT_EQ(input.currentScene, 0);
}

TEST(Input, ClicksCycleThePlayingScenesOnRelease) {
    input.currentScene = 0;
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
    EXPECT_EQ(input.currentScene, 0);
    const int expected[] = {1, 2, 3, 0, 1};
    for (int scene : expected) {
        onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
        EXPECT_EQ(input.currentScene, scene);
    }
    for (int from = 4; from <= 8; ++from) {
        input.currentScene = from;
        onMouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 0, 0);
        EXPECT_EQ(input.currentScene, 0) << "from " << from;
    }
    for (int menu : {kTitleScene, kSelectionScene}) {
        input.currentScene = menu;
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
        EXPECT_EQ(input.currentScene, menu);
    }
}

TEST(Input, PassiveMotionTracksThePointerAndItsDrag) {
    onPassiveMotion(100, 40);
    EXPECT_EQ(input.mouseDrag.x, 0.0f) << "the first motion has nothing to compare with";
    EXPECT_EQ(input.mouseDrag.y, 0.0f);
    EXPECT_EQ(input.mouseX, 100.0f);
    EXPECT_EQ(input.mouseY, 40.0f);

    onPassiveMotion(130, 20);
    EXPECT_EQ(input.mouseDrag.x, -30.0f);
    EXPECT_EQ(input.mouseDrag.y, 20.0f);
    EXPECT_EQ(input.mouseDrag.z, 0.0f);
    Vec3 expected;
    windowToScene(130, 20, expected);
    EXPECT_EQ(input.mousePoint.x, expected.x);
    EXPECT_EQ(input.mousePoint.y, expected.y);

    onPassiveMotion(0, 0);
    EXPECT_EQ(input.mouseDrag.x, 100.0f);
    EXPECT_EQ(input.mouseDrag.y, 40.0f);
}
