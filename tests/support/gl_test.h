#pragma once
// A real freeglut window for GL tests (one per test process, under Xvfb),
// and helpers that read back what GL holds: state, geometry and pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/window_input.h"

namespace gltest {

// Opens the program's own window once (same code path as start-up).
void ensureWindow();

// Processes pending window-system events without drawing a frame.
void pumpEvents(int rounds = 3);

// The matrix side of GL state: what a figure must leave as it found it.
struct MatrixState {
    GLint modelviewDepth = 0;
    GLint projectionDepth = 0;
    GLint matrixMode = 0;
    std::array<GLfloat, 16> modelview{};
    std::array<GLfloat, 16> projection{};
    bool operator==(const MatrixState&) const = default;
};
MatrixState matrixState();
void PrintTo(const MatrixState& state, std::ostream* out);

std::array<GLfloat, 4> currentColor();
bool isEnabled(GLenum capability);

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
void PrintTo(const Rgb& rgb, std::ostream* out);
// A pixel of the back buffer (x from the left, y from the bottom); read it
// before swapping, the front buffer reads black here.
Rgb readPixel(int x, int y);

struct WindowPoint {
    float x = 0, y = 0, z = 0;
};
struct FeedbackPrimitive {
    GLenum token = 0;  // GL_POINT_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POLYGON_TOKEN...
    std::vector<WindowPoint> vertices;
};
// Everything `draw` sends through the pipeline, in window coordinates.
std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw);
bool isLine(const FeedbackPrimitive& primitive);

// Where a model point lands in the window under the current matrices.
WindowPoint project(float x, float y, float z);

// The solid cubes `draw` sends, in drawing order, as the eye-space centre of
// each (x right, y up, z towards the viewer; the camera looks down -z from
// 4 units away). Captured through a wide orthographic view with face culling
// off, so no face is clipped or culled away.
std::vector<WindowPoint> cubeCentres(const std::function<void()>& draw);

// Where a model point lies in eye space under the current model-view.
WindowPoint toEye(float x, float y, float z);

}  // namespace gltest

// Fixture for tests that draw: the window is open, the camera set for a
// 500x500 window, both matrix stacks at depth 1, and no GL error left over.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    WindowInput windowInput;  // what the window's callbacks would record
};
