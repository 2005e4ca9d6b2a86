#pragma once
#include "base/drawing_helpers.h"

// Flipped at every release of the arrow keys; the selection screen acts on
// a change of value.
extern bool leftToggle;
extern bool rightToggle;

extern float mouseX;      // window pixels from the left, last passive motion
extern float mouseY;      // window pixels from the top
extern Vec3 mouseDrag;    // sum of (previous - new) pointer positions, pixels
extern Vec3 mousePoint;   // the pointer in scene units

// GLUT input callbacks: they change scene and mouse state, never draw.
void onKeyDown(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
void onSpecialKeyUp(int key, int x, int y);
void onMouse(int button, int state, int x, int y);
void onPassiveMotion(int x, int y);
