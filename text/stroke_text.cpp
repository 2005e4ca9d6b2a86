#include "text/stroke_text.h"

#include <GL/gl.h>

#include "draw/overlay.h"
#include "text/cell_glyphs.h"
#include "text/code_points.h"
#include "text/stroke_letters.h"

void drawStrokeText(float x, float y, const char* text, float width, float height) {
    beginDesignOverlay(width, height);
    glTranslatef(x, y, 0);
    // Each character moves the model-view on by its advance. GLUT's font
    // holds ASCII alone; everything else is drawn from the installed fonts.
    for (const char32_t c : decodeCodePoints(text)) {
        if (c < 0x80) {
            drawStrokeLetter(static_cast<int>(c));
        } else {
            drawCellGlyph(c);
        }
    }
    endOverlay();
}
