#include "draw/overlay.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {
void beginFlatSpace(float left, float right, float bottom, float top) {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(left, right, bottom, top);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}
}  // namespace

void beginOverlay(float width, float height) { beginFlatSpace(0, width, 0, height); }

OverlayExtent beginDesignOverlay(float width, float height) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    OverlayExtent extent{0, width, 0, height};
    // A viewport of no size (a minimised window) shows the space as it is.
    if (viewport[2] > 0 && viewport[3] > 0 && width > 0 && height > 0) {
        const double stretch = (static_cast<double>(viewport[2]) / viewport[3]) / (width / height);
        if (stretch > 1) {
            const float margin = static_cast<float>(width * (stretch - 1) / 2);
            extent.left -= margin;
            extent.right += margin;
        } else {
            const float margin = static_cast<float>(height * (1 / stretch - 1) / 2);
            extent.bottom -= margin;
            extent.top += margin;
        }
    }
    beginFlatSpace(extent.left, extent.right, extent.bottom, extent.top);
    return extent;
}

void endOverlay() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    glMatrixMode(GL_MODELVIEW);
}
