#include <gtest/gtest.h>

#include "app/controls.h"
#include "base/geometry.h"
#include "platform/window_input.h"
#include "text/caption_banner.h"

namespace {
using Kind = WindowEvent::Kind;

class Keys : public testing::Test {
protected:
    void keyDown(unsigned char key) { controls.apply({Kind::KeyDown, key}, banner); }
    void keyUp(unsigned char key) { controls.apply({Kind::KeyUp, key}, banner); }
    void buttonUp() { controls.apply({Kind::ButtonUp}, banner); }

    Controls controls;
    CaptionBanner banner;
};
}  // namespace

TEST_F(Keys, NumberKeysChooseScenesOnPress) {
    controls.currentScene = kTitleScene;
    keyDown('5');
    EXPECT_EQ(controls.currentScene, 5);
    keyDown('1');
    EXPECT_EQ(controls.currentScene, kSelectionScene);
    for (char key = '2'; key <= '8'; ++key) {
        keyDown(key);
        EXPECT_EQ(controls.currentScene, key - '0');
    }
    keyDown('Q');  // only lower-case q quits
    keyUp('5');
    EXPECT_EQ(controls.currentScene, 8);
    EXPECT_FALSE(controls.quitAsked);
    // 9 and 0 step back and forth through the shader scenes.
    keyDown('9');
    keyDown('0');
    keyDown('0');
    EXPECT_EQ(controls.currentScene, kShaderScene);
    EXPECT_EQ(controls.shaderSteps, 1);
}

TEST_F(Keys, QQuits) {
    controls.currentScene = kTitleScene;
    keyDown('q');
    EXPECT_TRUE(controls.quitAsked);
}

TEST_F(Keys, EnterStepsOnReleaseOnly) {
    controls.currentScene = kTitleScene;
    banner.elapsed = 4;
    keyDown(13);
    EXPECT_EQ(controls.currentScene, kTitleScene);
    keyUp(13);
    EXPECT_EQ(controls.currentScene, kSelectionScene);
    EXPECT_EQ(banner.elapsed, 0.0f) << "the hint types from its start";

    banner.elapsed = 2;
    keyUp(13);
    EXPECT_EQ(controls.currentScene, 0);
    EXPECT_EQ(banner.elapsed, 2.0f);
    keyUp(13);
    EXPECT_EQ(controls.currentScene, 0);
}

TEST_F(Keys, ClicksCycleThePlayingScenesOnRelease) {
    controls.currentScene = 0;
    const int expected[] = {1, 2, 3, 0, 1};
    for (int scene : expected) {
        buttonUp();
        EXPECT_EQ(controls.currentScene, scene);
    }
    for (int from = 4; from <= 8; ++from) {
        controls.currentScene = from;
        buttonUp();
        EXPECT_EQ(controls.currentScene, 0) << "from " << from;
    }
    for (int menu : {kTitleScene, kSelectionScene}) {
        controls.currentScene = menu;
        buttonUp();
        EXPECT_EQ(controls.currentScene, menu);
    }
}

TEST_F(Keys, ArrowReleasesFlipTheirToggles) {
    controls.apply({Kind::RightArrowUp}, banner);
    EXPECT_TRUE(controls.toggles.right);
    EXPECT_FALSE(controls.toggles.left);
    controls.apply({Kind::RightArrowUp}, banner);
    controls.apply({Kind::LeftArrowUp}, banner);
    EXPECT_FALSE(controls.toggles.right);
    EXPECT_TRUE(controls.toggles.left);
}

TEST(WindowInput, PassiveMotionTracksThePointerAndItsDrag) {
    WindowInput input;
    input.pointerMovedTo(100, 40);
    EXPECT_EQ(input.mouseDrag.x, 0.0f) << "the first motion has nothing to compare with";
    EXPECT_EQ(input.mouseDrag.y, 0.0f);
    EXPECT_EQ(input.mouseX, 100.0f);
    EXPECT_EQ(input.mouseY, 40.0f);

    input.pointerMovedTo(130, 20);
    EXPECT_EQ(input.mouseDrag.x, -30.0f);
    EXPECT_EQ(input.mouseDrag.y, 20.0f);
    EXPECT_EQ(input.mouseDrag.z, 0.0f);
    Vec3 expected;
    windowToScene(130, 20, expected);
    EXPECT_EQ(input.mousePoint.x, expected.x);
    EXPECT_EQ(input.mousePoint.y, expected.y);

    input.pointerMovedTo(0, 0);
    EXPECT_EQ(input.mouseDrag.x, 100.0f);
    EXPECT_EQ(input.mouseDrag.y, 40.0f);
}
