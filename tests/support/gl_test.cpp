#include "tests/support/gl_test.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/frame_drawer.h"
#include "platform/gl_setup.h"
#include "platform/program_window.h"
#include "platform/window_loop.h"

namespace gltest {

void ensureWindow() {
    static bool open = false;
    if (open) return;
    openProgramWindow({.glutWords = {"viz_tests"}});
    prepareFigures();
    pumpEvents(10);
    open = true;
}

void pumpEvents(int rounds) {
    for (int i = 0; i < rounds; ++i) glutMainLoopEvent();
}

MatrixState matrixState() {
    MatrixState state;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &state.modelviewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &state.projectionDepth);
    glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
    glGetFloatv(GL_MODELVIEW_MATRIX, state.modelview.data());
    glGetFloatv(GL_PROJECTION_MATRIX, state.projection.data());
    return state;
}

void PrintTo(const MatrixState& state, std::ostream* out) {
    *out << "{modelview depth " << state.modelviewDepth << ", projection depth "
         << state.projectionDepth << ", mode 0x" << std::hex << state.matrixMode << std::dec
         << ", modelview translation (" << state.modelview[12] << ", " << state.modelview[13]
         << ", " << state.modelview[14] << ")}";
}

std::array<GLfloat, 4> currentColor() {
    std::array<GLfloat, 4> color{};
    glGetFloatv(GL_CURRENT_COLOR, color.data());
    return color;
}

bool isEnabled(GLenum capability) { return glIsEnabled(capability) == GL_TRUE; }

void PrintTo(const Rgb& rgb, std::ostream* out) {
    *out << "rgb(" << rgb.r << ", " << rgb.g << ", " << rgb.b << ")";
}

Rgb readPixel(int x, int y) {
    GLubyte pixel[4] = {};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return {pixel[0], pixel[1], pixel[2]};
}

namespace {
// How many floats one vertex takes in GL_3D feedback.
constexpr int kVertexFloats = 3;

WindowPoint vertexAt(const std::vector<GLfloat>& buffer, std::size_t at) {
    return {buffer[at], buffer[at + 1], buffer[at + 2]};
}
}  // namespace

std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflowed";

    std::vector<FeedbackPrimitive> primitives;
    std::size_t at = 0;
    while (at < static_cast<std::size_t>(used > 0 ? used : 0)) {
        FeedbackPrimitive primitive;
        primitive.token = static_cast<GLenum>(buffer[at++]);
        int vertexCount = 0;
        switch (primitive.token) {
            case GL_POINT_TOKEN:
            case GL_BITMAP_TOKEN:
            case GL_DRAW_PIXEL_TOKEN:
            case GL_COPY_PIXEL_TOKEN: vertexCount = 1; break;
            case GL_LINE_TOKEN:
            case GL_LINE_RESET_TOKEN: vertexCount = 2; break;
            case GL_POLYGON_TOKEN: vertexCount = static_cast<int>(buffer[at++]); break;
            case GL_PASS_THROUGH_TOKEN: ++at; continue;
            default: ADD_FAILURE() << "unknown feedback token " << primitive.token; return primitives;
        }
        for (int i = 0; i < vertexCount; ++i, at += kVertexFloats) {
            primitive.vertices.push_back(vertexAt(buffer, at));
        }
        primitives.push_back(std::move(primitive));
    }
    return primitives;
}

bool isLine(const FeedbackPrimitive& primitive) {
    return primitive.token == GL_LINE_TOKEN || primitive.token == GL_LINE_RESET_TOKEN;
}

WindowPoint project(float x, float y, float z) {
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    return {static_cast<float>(wx), static_cast<float>(wy), static_cast<float>(wz)};
}

namespace {
constexpr float kWideView = 100;  // eye-space half-width of the capture view

std::vector<FeedbackPrimitive> captureWide(const std::function<void()>& draw) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-kWideView, kWideView, -kWideView, kWideView, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    const GLboolean culling = glIsEnabled(GL_CULL_FACE);
    glDisable(GL_CULL_FACE);
    auto polygons = captureFeedback(draw);
    if (culling) glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (auto& polygon : polygons) {
        for (auto& v : polygon.vertices) {
            v.x = ((v.x - viewport[0]) / viewport[2] * 2 - 1) * kWideView;
            v.y = ((v.y - viewport[1]) / viewport[3] * 2 - 1) * kWideView;
            v.z = -(v.z * 2 - 1) * 1000;
        }
    }
    return polygons;
}
}  // namespace

WindowPoint toEye(float x, float y, float z) {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

std::vector<WindowPoint> cubeCentres(const std::function<void()>& draw) {
    // However GLUT splits a cube into polygons, every cube gives as many.
    static const std::size_t polygonsPerCube = captureWide([] { glutSolidCube(1); }).size();
    const auto polygons = captureWide(draw);

    std::vector<WindowPoint> centres;
    EXPECT_EQ(polygons.size() % polygonsPerCube, 0u) << "not whole cubes";
    for (std::size_t first = 0; first + polygonsPerCube <= polygons.size(); first += polygonsPerCube) {
        WindowPoint sum;
        int count = 0;
        for (std::size_t p = first; p < first + polygonsPerCube; ++p) {
            for (const WindowPoint& v : polygons[p].vertices) {
                sum.x += v.x;
                sum.y += v.y;
                sum.z += v.z;
                ++count;
            }
        }
        centres.push_back({sum.x / count, sum.y / count, sum.z / count});
    }
    return centres;
}

}  // namespace gltest

void GlTest::SetUp() {
    gltest::ensureWindow();
    while (glGetError() != GL_NO_ERROR) {}
    reshapeWindow(windowInput, 500, 500);
}

void GlTest::TearDown() { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
