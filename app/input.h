#pragma once
// What the user does to the window, as GLUT reports it: the scene asked
// for, the arrow keys, the pointer, and the window's size. GLUT's callbacks
// take no object, so the live program's input is a global of its own.
#include "app/scene_table.h"
#include "base/design_window.h"
#include "base/vector.h"

struct Input {
    int currentScene = kTitleScene;
    // Flipped at every release of the arrow keys; the selection screen acts
    // on a change of value.
    bool leftToggle = false;
    bool rightToggle = false;
    float mouseX = 0;  // window pixels from the left, last passive motion
    float mouseY = 0;  // window pixels from the top
    Vec3 mouseDrag;    // sum of (previous - new) pointer positions, pixels
    Vec3 mousePoint;   // the pointer in scene units
    int windowWidth = kDesignWindowSize;  // the real window size, kept by every reshape
    int windowHeight = kDesignWindowSize;
    bool pointerSeen = false;
    float previousMouseX = 0;
    float previousMouseY = 0;
};

extern Input input;

// GLUT input callbacks: they change the input's state, never draw.
void onKeyDown(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
void onSpecialKeyUp(int key, int x, int y);
void onMouse(int button, int state, int x, int y);
void onPassiveMotion(int x, int y);
