#include "app/input.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/frame_loop.h"
#include "text/caption_banner.h"

bool leftToggle = false;
bool rightToggle = false;
float mouseX = 0;
float mouseY = 0;
Vec3 mouseDrag;
Vec3 mousePoint;
namespace {
constexpr unsigned char kEnter = 13;

bool pointerSeen = false;
float previousMouseX = 0;
float previousMouseY = 0;
}  // namespace

void onKeyDown(unsigned char key, int, int) {
    if (const int scene = sceneOfKey(key); scene >= 0) {
        currentScene = scene;
    } else if (key == 'q') {
        std::exit(0);  // global objects, the sound engine among them, close down on the way out
    }
}

// Enter acts on release, so one press is exactly one step.
void onKeyUp(unsigned char key, int, int) {
    if (key != kEnter) return;
    if (currentScene == kTitleScene) {
        captionBanner.reset();  // the selection hint types out from its start
        currentScene = kSelectionScene;
    } else if (currentScene == kSelectionScene) {
        currentScene = 0;
    }
}

void onSpecialKeyUp(int key, int, int) {
    if (key == GLUT_KEY_LEFT) leftToggle = !leftToggle;
    if (key == GLUT_KEY_RIGHT) rightToggle = !rightToggle;
}

void onMouse(int, int state, int, int) {
    if (state != GLUT_UP || isMenuScene(currentScene)) return;
    currentScene = sceneAfterClick(currentScene);
}

void onPassiveMotion(int x, int y) {
    if (!pointerSeen) {
        previousMouseX = static_cast<float>(x);
        previousMouseY = static_cast<float>(y);
        pointerSeen = true;
    }
    mouseX = static_cast<float>(x);
    mouseY = static_cast<float>(y);
    windowToScene(mouseX, mouseY, mousePoint);
    mouseDrag.x += previousMouseX - mouseX;
    mouseDrag.y += previousMouseY - mouseY;
    previousMouseX = mouseX;
    previousMouseY = mouseY;
}
