#include <GL/glu.h>

#include <cmath>

#include "draw/circle_list.h"
#include "platform/gl_setup.h"
#include "platform/multisample_buffer.h"
#include "platform/window_loop.h"
#include "tests/support/gl_test.h"

using gltest::isEnabled;

namespace {
float aspectOfProjection() {
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    return p[5] / p[0];  // f / (f / aspect)
}

// Distance from the eye to the origin in the current model-view.
float cameraDistance() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return std::sqrt(m[12] * m[12] + m[13] * m[13] + m[14] * m[14]);
}
}  // namespace

TEST_F(GlTest, InitialStateIsTheProgramsOwn) {
    for (GLenum capability : {GL_LIGHTING, GL_DEPTH_TEST, GL_LINE_SMOOTH, GL_LINE_STIPPLE,
                              GL_CULL_FACE, GL_BLEND, GL_COLOR_MATERIAL}) {
        EXPECT_TRUE(isEnabled(capability)) << "capability 0x" << std::hex << capability;
    }
    EXPECT_FALSE(isEnabled(GL_LIGHT0));
    GLint shadeModel = 0, depthFunc = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shadeModel);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(shadeModel, GL_FLAT);
    EXPECT_EQ(depthFunc, GL_LESS);

    GLfloat diffuse[4], position[4];
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    EXPECT_EQ((std::array<GLfloat, 4>{diffuse[0], diffuse[1], diffuse[2], diffuse[3]}),
              (std::array<GLfloat, 4>{1, 0, 0, 1}));
    // Sent before any camera existed: (1, 5, 9) in eye space, directional.
    EXPECT_EQ((std::array<GLfloat, 4>{position[0], position[1], position[2], position[3]}),
              (std::array<GLfloat, 4>{1, 5, 9, 0}));
}

TEST_F(GlTest, CircleListIsAClosedLoopOfAHundredPoints) {
    ASSERT_NE(circleList(), 0u);
    ASSERT_TRUE(glIsList(circleList()));
    const auto lines = gltest::captureFeedback([] { glCallList(circleList()); });
    ASSERT_EQ(lines.size(), 100u);
    const auto first = gltest::project(1, 0, 0);
    const auto top = gltest::project(0, 1, 0);
    EXPECT_NEAR(lines[0].vertices[0].x, first.x, 0.01);
    EXPECT_NEAR(lines[0].vertices[0].y, first.y, 0.01);
    EXPECT_NEAR(lines[25].vertices[0].x, top.x, 0.01);
    EXPECT_NEAR(lines[25].vertices[0].y, top.y, 0.01);
    EXPECT_NEAR(lines[99].vertices[1].x, first.x, 0.01) << "the loop closes on its first point";
}

TEST_F(GlTest, ReshapeSetsAspectAndKeepsTheCameraAtFour) {
    reshapeWindow(windowInput, 1000, 500);
    EXPECT_NEAR(aspectOfProjection(), 2.0f, 1e-5);
    EXPECT_EQ(windowInput.windowWidth, 1000);
    EXPECT_EQ(windowInput.windowHeight, 500);
    reshapeWindow(windowInput, 700, 500);
    EXPECT_NEAR(aspectOfProjection(), 1.4f, 1e-5);
    for (int i = 0; i < 5; ++i) reshapeWindow(windowInput, 300 + 100 * i, 400);
    EXPECT_NEAR(cameraDistance(), 4.0f, 1e-5);

    GLint viewport[4], mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(viewport[2], 700);
    EXPECT_EQ(viewport[3], 400);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(GlTest, ZeroSizeReshapeKeepsTheProjection) {
    reshapeWindow(windowInput, 1000, 500);
    GLfloat before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    reshapeWindow(windowInput, 1000, 0);
    reshapeWindow(windowInput, 0, 0);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(std::isfinite(after[i]));
        EXPECT_EQ(after[i], before[i]);
    }
    EXPECT_EQ(windowInput.windowHeight, 0);
    EXPECT_NEAR(cameraDistance(), 4.0f, 1e-5);
}

namespace {
// A white square turned 10 degrees on black, through `buffer`: the pixels
// neither black nor white, which only its edges can make.
int greysOfATiltedEdge(const MultisampleBuffer& buffer) {
    buffer.beginFrame();
    glDisable(GL_LIGHTING);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glRotatef(10, 0, 0, 1);
    glRectf(-1, -1, 1, 1);
    buffer.endFrame();
    int greys = 0;
    for (int y = 0; y < 500; y += 2) {
        for (int x = 0; x < 500; x += 2) greys += gltest::readPixel(x, y).r > 20 && gltest::readPixel(x, y).r < 235;
    }
    return greys;
}
}  // namespace

TEST_F(GlTest, SamplesGiveATiltedEdgeIntermediateColoursAndNoneWithout) {
    MultisampleBuffer smooth;
    smooth.open(4, 500, 500);
    EXPECT_EQ(smooth.samples(), 4);
    glPushMatrix();
    EXPECT_GT(greysOfATiltedEdge(smooth), 100) << "a quarter of the pixels along edges 700 pixels long";
    glPopMatrix();

    MultisampleBuffer hard;
    hard.open(0, 500, 500);
    EXPECT_EQ(hard.samples(), 0);
    glPushMatrix();
    EXPECT_EQ(greysOfATiltedEdge(hard), 0);
    glPopMatrix();

    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    smooth.open(1000, 500, 500);
    EXPECT_EQ(smooth.samples(), most) << "more than GL has: as many as it has";
}
