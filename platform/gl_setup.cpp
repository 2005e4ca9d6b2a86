#include "platform/gl_setup.h"

#include <GL/glu.h>

#include <cmath>
#include <initializer_list>
#include <string>


namespace {
// Directional (w = 0) and sent while the model-view is still the identity,
// so it stays fixed relative to the camera.
const GLfloat kLight1Position[4] = {1, 5, 9, 0};
const GLfloat kLight1Red[4] = {1, 0, 0, 1};
}

void setupLights() {
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, kLight1Red);
    glLightfv(GL_LIGHT1, GL_POSITION, kLight1Position);
}

void initGL() {
    setupLights();
    glClearColor(0, 0, 0, 0);
    glDepthFunc(GL_LESS);
    glShadeModel(GL_FLAT);
    for (GLenum capability : {GL_DEPTH_TEST, GL_LINE_SMOOTH, GL_LINE_STIPPLE, GL_CULL_FACE,
                              GL_BLEND, GL_COLOR_MATERIAL}) {
        glEnable(capability);
    }
}

double fieldOfViewFor(double aspect) {
    constexpr double kDesignDegrees = 45;
    if (aspect >= 1) return kDesignDegrees;
    constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
    return 2 * std::atan(std::tan(kDesignDegrees / 2 * kRadiansPerDegree) / aspect) / kRadiansPerDegree;
}

void setProjection(int width, int height) {
    // A minimised window reports a zero size; its aspect ratio means nothing,
    // so the projection stays as it was.
    if (width > 0 && height > 0) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const double aspect = static_cast<double>(width) / height;
        gluPerspective(fieldOfViewFor(aspect), aspect, 0.5, 200);
    }
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, width, height);

    // The camera alone is the base matrix of every frame.
    glLoadIdentity();
    gluLookAt(0, 0, 4, 0, 0, 0, 0, 1, 0);
}

bool softwareRasteriser() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (renderer == nullptr) return false;
    const std::string name = renderer;
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (name.find(software) != std::string::npos) return true;
    }
    return false;
}
