#pragma once
// GLUT's mono-spaced Roman stroke letters without an initialised freeglut
// (a render with no window system has none): the strips are read from the
// font data libglut exports and drawn as glutStrokeCharacter draws them,
// each as one line strip, then the model-view moves on by the letter's
// advance. A code the font has no letter for draws nothing and moves
// nothing, as there.
void drawStrokeLetter(int code);
