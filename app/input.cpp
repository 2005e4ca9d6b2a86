#include "app/input.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/frame_loop.h"
#include "base/drawing_helpers.h"

Input input;

namespace {
constexpr unsigned char kEnter = 13;
}  // namespace

void onKeyDown(unsigned char key, int, int) {
    if (const int scene = sceneOfKey(key); scene >= 0) {
        input.currentScene = scene;
    } else if (key == 'q') {
        std::exit(0);  // global objects, the sound engine among them, close down on the way out
    }
}

// Enter acts on release, so one press is exactly one step.
void onKeyUp(unsigned char key, int, int) {
    if (key != kEnter) return;
    if (input.currentScene == kTitleScene) {
        frameLoop.figures.banner.reset();  // the selection hint types out from its start
        input.currentScene = kSelectionScene;
    } else if (input.currentScene == kSelectionScene) {
        input.currentScene = 0;
    }
}

void onSpecialKeyUp(int key, int, int) {
    if (key == GLUT_KEY_LEFT) input.leftToggle = !input.leftToggle;
    if (key == GLUT_KEY_RIGHT) input.rightToggle = !input.rightToggle;
}

void onMouse(int, int state, int, int) {
    if (state != GLUT_UP || isMenuScene(input.currentScene)) return;
    input.currentScene = sceneAfterClick(input.currentScene);
}

void onPassiveMotion(int x, int y) {
    if (!input.pointerSeen) {
        input.previousMouseX = static_cast<float>(x);
        input.previousMouseY = static_cast<float>(y);
        input.pointerSeen = true;
    }
    input.mouseX = static_cast<float>(x);
    input.mouseY = static_cast<float>(y);
    windowToScene(input.mouseX, input.mouseY, input.mousePoint);
    input.mouseDrag.x += input.previousMouseX - input.mouseX;
    input.mouseDrag.y += input.previousMouseY - input.mouseY;
    input.previousMouseX = input.mouseX;
    input.previousMouseY = input.mouseY;
}
