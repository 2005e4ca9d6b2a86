#pragma once
#include <GL/gl.h>

extern int windowWidth;   // the real window size, kept by every reshape
extern int windowHeight;

// Light 1's diffuse colour; the frame loop writes and resends it every frame.
extern GLfloat light1Diffuse[4];

void setupLights();
void initGL();
void onReshape(int width, int height);
