#include "draw/circle_list.h"

#include "draw/drawing_helpers.h"

namespace {
GLuint circleListId = 0;
}  // namespace

GLuint circleList() { return circleListId; }

void buildCircleList() {
    circleListId = glGenLists(1);
    glNewList(circleListId, GL_COMPILE);
    drawUnitCircle(100);
    glEndList();
}
