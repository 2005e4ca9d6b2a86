#pragma once
#include <GL/gl.h>

// Compiles a unit circle outline of 100 segments, once the window's GL
// context is there.
void buildCircleList();
// Its display list; 0 before it was built.
GLuint circleList();
