#pragma once
#include <GL/gl.h>

// A unit circle outline of 100 segments, compiled once with the window's GL
// context; 0 before that.
extern GLuint circleList;

void buildCircleList();
