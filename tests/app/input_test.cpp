#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/frame_loop.h"
#include "app/input.h"
#include "text/caption_banner.h"

TEST(Input, NumberKeysChooseScenesOnPress) {
    currentScene = kTitleScene;
    onKeyDown('5', 0, 0);
    EXPECT_EQ(currentScene, 5);
    onKeyDown('1', 0, 0);
    EXPECT_EQ(currentScene, kSelectionScene);
    for (char key = '2'; key <= '8'; ++key) {
        onKeyDown(key, 0, 0);
        EXPECT_EQ(currentScene, key - '0');
    }
    onKeyDown('9', 0, 0);
    onKeyDown('0', 0, 0);
    onKeyDown('Q', 0, 0);  // only lower-case q quits
    onKeyUp('5', 0, 0);
    EXPECT_EQ(currentScene, 8);
}

TEST(Input, QQuitsWithStatusZero) {
    currentScene = kTitleScene;
    EXPECT_EXIT(onKeyDown('q', 0, 0), testing::ExitedWithCode(0), "");
}

TEST(Input, EnterStepsOnReleaseOnly) {
    currentScene = kTitleScene;
    captionBanner.elapsed = 4;
    onKeyDown(13, 0, 0);
    EXPECT_EQ(currentScene, kTitleScene);
    onKeyUp(13, 0, 0);
    EXPECT_EQ(currentScene, kSelectionScene);
    EXPECT_EQ(captionBanner.elapsed, 0.0f) << "the hint types from its start";

    captionBanner.elapsed = 2;
    onKeyUp(13, 0, 0);
    EXPECT_EQ(currentScene, 0);
    EXPECT_EQ(captionBanner.elapsed, 2.0f);
    onKeyUp(13, 0, 0);
    EXPECT_EQ(currentScene, 0);
}

TEST(Input, ClicksCycleThePlayingScenesOnRelease) {
    currentScene = 0;
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
    EXPECT_EQ(currentScene, 0);
    const int expected[] = {1, 2, 3, 0, 1};
    for (int scene : expected) {
        onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
        EXPECT_EQ(currentScene, scene);
    }
    for (int from = 4; from <= 8; ++from) {
        currentScene = from;
        onMouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 0, 0);
        EXPECT_EQ(currentScene, 0) << "from " << from;
    }
    for (int menu : {kTitleScene, kSelectionScene}) {
        currentScene = menu;
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
        EXPECT_EQ(currentScene, menu);
    }
}

TEST(Input, PassiveMotionTracksThePointerAndItsDrag) {
    onPassiveMotion(100, 40);
    EXPECT_EQ(mouseDrag.x, 0.0f) << "the first motion has nothing to compare with";
    EXPECT_EQ(mouseDrag.y, 0.0f);
    EXPECT_EQ(mouseX, 100.0f);
    EXPECT_EQ(mouseY, 40.0f);

    onPassiveMotion(130, 20);
    EXPECT_EQ(mouseDrag.x, -30.0f);
    EXPECT_EQ(mouseDrag.y, 20.0f);
    EXPECT_EQ(mouseDrag.z, 0.0f);
    Vec3 expected;
    windowToScene(130, 20, expected);
    EXPECT_EQ(mousePoint.x, expected.x);
    EXPECT_EQ(mousePoint.y, expected.y);

    onPassiveMotion(0, 0);
    EXPECT_EQ(mouseDrag.x, 100.0f);
    EXPECT_EQ(mouseDrag.y, 40.0f);
}
