#pragma once
#include <GL/gl.h>

void setupLights();
void initGL();
// The projection and viewport for a window of this size, and the camera.
void setProjection(int width, int height);
// GLUT's reshape callback: keeps the window's size for the frames, then
// sets the projection.
void onReshape(int width, int height);
