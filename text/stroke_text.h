#pragma once
#include "text/stroke_metrics.h"

// One line of GLUT stroke text as a flat overlay: (x, y) is the start of the
// baseline in a virtual screen of width x height units, origin at the bottom
// left, shown at its own proportions and centred in the window. `text` is read as UTF-8 (bytes
// that are not, as Latin-1) and every character takes one advance: ASCII
// in GLUT's stroke letters, the rest as filled glyphs of the installed
// fonts (see cell_glyphs.h). Takes the current colour; leaves
// the matrices, depth test and lighting as it found them, in model-view mode.
void drawStrokeText(float x, float y, const char* text, float width, float height);
