#include "draw/drawing_helpers.h"

#include <GL/gl.h>

void drawUnitCircle(int segments) {
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < segments; ++i) {
        const Point2 p = circlePoint(i, segments);
        glVertex2f(p.x, p.y);
    }
    glEnd();
}

void rotateXYZ(Vec3 angles) {
    glRotatef(angles.x, 1, 0, 0);
    glRotatef(angles.y, 0, 1, 0);
    glRotatef(angles.z, 0, 0, 1);
}
