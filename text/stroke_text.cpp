#include "text/stroke_text.h"

#include <GL/freeglut.h>

#include "base/overlay.h"

void drawStrokeText(float x, float y, const char* text, float width, float height) {
    beginOverlay(width, height);
    glTranslatef(x, y, 0);
    // Each character moves the model-view on by its advance. Bytes above 127
    // arrive negative, and GLUT draws nothing for them.
    for (const char* c = text; *c != '\0'; ++c) {
        glutStrokeCharacter(GLUT_STROKE_MONO_ROMAN, static_cast<signed char>(*c));
    }
    endOverlay();
}
