#include "base/circle_list.h"

#include "base/drawing_helpers.h"

GLuint circleList = 0;

void buildCircleList() {
    circleList = glGenLists(1);
    glNewList(circleList, GL_COMPILE);
    drawUnitCircle(100);
    glEndList();
}
