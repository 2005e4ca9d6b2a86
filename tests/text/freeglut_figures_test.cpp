// Our solid cube and stroke letters stand in for freeglut's in every
// picture, live and rendered: they must send GL exactly what freeglut's
// calls send, or the pictures change.
#include <GL/freeglut.h>

#include <functional>
#include <vector>

#include "draw/solid_cube.h"
#include "tests/support/gl_test.h"
#include "text/stroke_letters.h"

namespace {
// The whole feedback buffer, colours included: with smooth shading and a
// light from an odd direction, each vertex's colour shows its normal. Seen
// through a square `reach` units from the centre each way, so nothing is
// clipped away.
std::vector<GLfloat> feedback(float reach, const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 20);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-reach, reach, -reach, reach, -reach, reach);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    EXPECT_GT(used, 0) << "nothing drawn, or the feedback buffer overflowed";
    buffer.resize(used > 0 ? used : 0);
    return buffer;
}

class FreeglutFigures : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_CULL_FACE);
        glShadeModel(GL_SMOOTH);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        const GLfloat towards[4] = {0.3f, 0.5f, 0.8f, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, towards);
        glColor3f(0.9f, 0.6f, 0.3f);
    }
    void TearDown() override {
        glPopAttrib();
        GlTest::TearDown();
    }
};
}  // namespace

TEST_F(FreeglutFigures, SolidCubeSendsWhatGlutSolidCubeSends) {
    // A size other than 1 too: scaled vertices must not scale the normals.
    for (double size : {1.0, 0.5, 0.1, 2.7}) {
        SCOPED_TRACE(size);
        const auto turned = [&](const std::function<void()>& cube) {
            return [&, cube] {
                glRotatef(33, 1, 2, 3);
                cube();
            };
        };
        const auto theirs = feedback(3, turned([&] { glutSolidCube(size); }));
        const auto ours = feedback(3, turned([&] { drawSolidCube(size); }));
        EXPECT_EQ(ours, theirs);
    }
}

TEST_F(FreeglutFigures, SolidCubeLeavesArraysAndNormalAsGlutSolidCube) {
    glNormal3f(0.3f, 0.4f, 0.5f);
    drawSolidCube(1);
    GLfloat normal[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(normal[0], 0.3f);
    EXPECT_EQ(normal[1], 0.4f);
    EXPECT_EQ(normal[2], 0.5f);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
}

TEST_F(FreeglutFigures, StrokeLettersSendWhatGlutStrokeCharacterSends) {
    // Every code in a row, ending on a letter: each advance, or the lack of
    // one for a code with no letter, moves everything after it.
    const auto writeAll = [](const std::function<void(int)>& letter) {
        return [letter] {
            glTranslatef(-7000, 0, 0);
            for (int code = 1; code < 128; ++code) letter(code);
            letter('A');
        };
    };
    const auto theirs = feedback(8000, writeAll([](int c) { glutStrokeCharacter(GLUT_STROKE_MONO_ROMAN, c); }));
    const auto ours = feedback(8000, writeAll(drawStrokeLetter));
    EXPECT_EQ(ours, theirs);

    // The printable letters one by one, for a readable failure; the point
    // after each shows where its advance left the origin.
    const auto thenOrigin = [](const std::function<void()>& letter) {
        return [letter] {
            letter();
            glBegin(GL_POINTS);
            glVertex2f(0, 0);
            glEnd();
        };
    };
    for (int code = ' '; code < 127; ++code) {
        SCOPED_TRACE(static_cast<char>(code));
        EXPECT_EQ(feedback(200, thenOrigin([&] { drawStrokeLetter(code); })),
                  feedback(200, thenOrigin([&] { glutStrokeCharacter(GLUT_STROKE_MONO_ROMAN, code); })));
    }
}
