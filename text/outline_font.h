#pragma once
#include <GL/gl.h>

// The first of 256 display lists, 0 before they are built: list base + c
// draws the glyph of byte c as a flat filled outline (em square of one
// unit, z = 0, facing +z) and then moves along +x by its advance. List
// base + 255 stays empty.
GLuint outlineFontBase();

// Builds the lists from the system's match for "Tahoma" (DejaVu Sans on
// Debian). Needs the window's GL context. Without a usable font the lists
// stay empty and text simply does not show.
void buildOutlineFont();

// printf-style text, from the current origin along +x; leaves the
// model-view advanced by its width. At most 255 bytes are drawn.
void drawOutlineText(const char* format, ...) __attribute__((format(printf, 1, 2)));
