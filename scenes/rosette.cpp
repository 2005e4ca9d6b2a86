#include "scenes/rosette.h"

#include <GL/gl.h>

#include <vector>

#include "base/geometry.h"
#include "draw/circle_list.h"

namespace {
void drawRing(const std::vector<Point2>& centres, float turn) {
    for (const Point2& p : centres) {
        glPushMatrix();
        // The unit circle around p, turned about the origin, then halved.
        glScalef(0.5f, 0.5f, 0.5f);
        glRotatef(turn, 0, 0, 1);
        glTranslatef(p.x, p.y, 0);
        glCallList(circleList());
        glPopMatrix();
    }
}
}  // namespace

void drawRosette() {
    glColor3f(1, 1, 1);
    glDisable(GL_LIGHTING);
    std::vector<Point2> heptagon;
    appendCirclePoints(7, heptagon);
    drawRing(heptagon, 15);
    drawRing(heptagon, -15);
    glEnable(GL_LIGHTING);
}
