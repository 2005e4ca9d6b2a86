#include "tests/support/live_frames.h"
#include "text/outline_font.h"

namespace {
float modelviewX() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return m[12];
}

// How far the model-view moves along x while `text` is drawn.
float advanceOf(const char* text) {
    glPushMatrix();
    glLoadIdentity();
    drawOutlineText("%s", text);
    const float advance = modelviewX();
    glPopMatrix();
    return advance;
}
}  // namespace

TEST_F(GlTest, GlyphsAreFilledAndAdvanceByAboutHalfAnEm) {
    ASSERT_NE(outlineFontBase(), 0u);
    const auto polygons = gltest::captureFeedback([] { drawOutlineText("%s", ":]"); });
    EXPECT_GT(polygons.size(), 4u) << "two dots and a bracket, tessellated";
    const float colon = advanceOf(":"), bracket = advanceOf("]");
    EXPECT_GT(colon, 0.2f);
    EXPECT_LT(colon, 0.8f);
    EXPECT_FLOAT_EQ(advanceOf(":]"), colon + bracket);
}

TEST_F(GlTest, OutlineTextEdgeCases) {
    EXPECT_EQ(advanceOf(""), 0.0f);
    EXPECT_FLOAT_EQ(advanceOf("A\xff" "B"), advanceOf("AB")) << "byte 255 draws and moves nothing";

    glListBase(7);
    drawOutlineText("%s", "AB");
    drawOutlineText(nullptr);
    GLint base = 0;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 7) << "the caller's list base comes back";
    glListBase(0);

    const std::string longText(1000, 'i');
    EXPECT_NEAR(advanceOf(longText.c_str()), 255 * advanceOf("i"), 1e-3) << "at most 255 bytes";
}

TEST_F(LiveFrames, TitleShowsUnlitWhiteLettersOnTheLeft) {
    frameLoop.controls.currentScene = kTitleScene;
    glColor3f(1, 1, 1);
    drawFrame();
    // The colon's lower dot and the bracket's upright, in the left half.
    int white = 0, reddish = 0;
    for (int x = 0; x < 250; ++x) {
        for (int y = 60; y < 440; y += 4) {
            const gltest::Rgb p = gltest::readPixel(x, y);
            white += p.r > 250 && p.g > 250 && p.b > 250;
            reddish += p.r > 100 && p.g < 50;
        }
    }
    EXPECT_GT(white, 1000) << "':]' shows in the current colour";
    EXPECT_LT(reddish, white / 2) << "lit glyphs would turn red under light 1";
}
