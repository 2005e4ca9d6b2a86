#include "text/stroke_letters.h"

#include <GL/gl.h>

namespace {
// The layout of the stroke font data libglut exports; the tests hold it to
// what glutStrokeCharacter draws.
struct StrokeVertex {
    GLfloat x, y;
};
struct StrokeStrip {
    int number;
    const StrokeVertex* vertices;
};
struct StrokeChar {
    GLfloat right;
    int number;
    const StrokeStrip* strips;
};
struct StrokeFont {
    const char* name;
    int quantity;
    GLfloat height;
    const StrokeChar* const* characters;
};
}  // namespace

// The font itself. GLUT_STROKE_MONO_ROMAN names a different symbol, a
// placeholder whose address freeglut maps to this one.
extern "C" const StrokeFont fgStrokeMonoRoman;

void drawStrokeLetter(int code) {
    const StrokeFont& font = fgStrokeMonoRoman;
    if (code < 0 || code >= font.quantity) return;
    const StrokeChar* letter = font.characters[code];
    if (letter == nullptr) return;
    for (int s = 0; s < letter->number; ++s) {
        const StrokeStrip& strip = letter->strips[s];
        glBegin(GL_LINE_STRIP);
        for (int v = 0; v < strip.number; ++v) glVertex2f(strip.vertices[v].x, strip.vertices[v].y);
        glEnd();
    }
    glTranslatef(letter->right, 0, 0);
}
