#include <GL/freeglut.h>

#include <algorithm>

#include "app/frame_loop.h"
#include "tests/support/gl_test.h"
#include "text/caption_banner.h"
#include "text/stroke_text.h"

namespace {
const std::string kCredit = "by Tharnwexolbrimdale   ( press enter to start )";
const std::string kHint = "( <- or -> to select song)  ( enter to start ) ";
}  // namespace

TEST(BannerLine, TypesOutWithAMarkAndEndsRightAligned) {
    BannerLine line = bannerLine(kCredit, 0, 5);
    EXPECT_EQ(line.shown, " []:");
    EXPECT_DOUBLE_EQ(line.x, 5500 - 4 * 104.76);

    line = bannerLine(kCredit, 2.5f, 5);
    EXPECT_EQ(line.shown, kCredit.substr(0, 24) + " []:");
    EXPECT_DOUBLE_EQ(line.x, 5500 - 28 * 104.76);

    line = bannerLine(kCredit, 5, 5);  // exactly at the duration: finished
    EXPECT_EQ(line.shown, kCredit + "  [:");
    EXPECT_EQ(line.shown.size(), 52u);
    EXPECT_NEAR(line.x, 52.48, 1e-9);

    line = bannerLine(kHint, 7, 3);
    EXPECT_EQ(line.shown.size(), 51u);
    EXPECT_NEAR(line.x, 157.24, 1e-9);

    EXPECT_EQ(bannerLine("", 0.5f, 3).shown, " []:");
    EXPECT_EQ(bannerLine("", 3, 3).shown, "  [:");
    EXPECT_EQ(bannerLine("abc", 0, 0).shown, "abc  [:") << "no typing time: shown whole";
}

TEST(BannerLine, TypesCharactersNotBytes) {
    const std::string name = "東京の夜";  // 12 bytes
    BannerLine line = bannerLine(name, 2.5f, 5);
    EXPECT_EQ(line.shown, "東京 []:");
    EXPECT_DOUBLE_EQ(line.x, 5500 - 6 * 104.76);
    line = bannerLine(name, 5, 5);
    EXPECT_EQ(line.shown, name + "  [:");
    EXPECT_DOUBLE_EQ(line.x, 5500 - 8 * 104.76);
    EXPECT_EQ(bannerLine("\xe9t\xe9\xff", 1, 2).shown, "\xe9t []:") << "a byte that is no UTF-8 is one character";
}

TEST_F(GlTest, TextAndBannerLeaveTheStateAsFound) {
    for (bool enabled : {true, false}) {
        if (enabled) {
            glEnable(GL_LIGHTING);
            glEnable(GL_DEPTH_TEST);
        } else {
            glDisable(GL_LIGHTING);
            glDisable(GL_DEPTH_TEST);
        }
        glPushMatrix();
        glRotatef(30, 0, 0, 1);
        const auto before = gltest::matrixState();
        drawStrokeText(10, 20, "Hello", 500, 500);
        drawStrokeText(10, 20, "", 500, 500);
        drawStrokeText(10, 20, "Jóga 東京 \xff", 500, 500);
        CaptionBanner().draw("Night Drive", 10);
        EXPECT_EQ(gltest::matrixState(), before);
        EXPECT_EQ(gltest::isEnabled(GL_LIGHTING), enabled);
        EXPECT_EQ(gltest::isEnabled(GL_DEPTH_TEST), enabled);
        glPopMatrix();
    }
}

TEST_F(GlTest, StrokeTextGivesEveryByteACell) {
    const auto plain = gltest::captureFeedback([] { drawStrokeText(100, 100, "AB", 500, 500); });
    // Not UTF-8: two Latin-1 control characters, each a box, between A and
    // B, so B comes two cells further on. (Filled glyphs stay out of
    // feedback: Mesa's feedback mode mishandles display lists of several
    // tessellated primitives, and crashes on some.)
    const auto mixed = gltest::captureFeedback([] { drawStrokeText(100, 100, "A\x80\x9f" "B", 500, 500); });
    ASSERT_FALSE(plain.empty());
    const float plainB = plain.back().vertices[0].x, mixedB = mixed.back().vertices[0].x;
    EXPECT_NEAR(mixedB - plainB, 2 * kStrokeAdvance, 1e-2);
    EXPECT_GT(mixed.size(), plain.size()) << "something drawn for each of them";
    // The model-view is reset inside: what the caller pushed has no effect.
    glPushMatrix();
    glScalef(3, 3, 3);
    const auto scaled = gltest::captureFeedback([] { drawStrokeText(100, 100, "AB", 500, 500); });
    glPopMatrix();
    EXPECT_FLOAT_EQ(scaled[0].vertices[0].x, plain[0].vertices[0].x);
}

TEST_F(GlTest, BannerIsABlackBandWithWhiteTextAtTheBottom) {
    clearToLevel(0.25f);  // a tinted background, to tell from the band
    CaptionBanner banner;
    buildCaptionBand();
    banner.draw("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 0);  // shown whole

    // 152.35 / 5500 of 500 rows: rows 0 to 13 are band.
    int white = 0, black = 0;
    for (int x = 0; x < 500; ++x) {
        for (int y = 0; y <= 12; ++y) {
            const gltest::Rgb p = gltest::readPixel(x, y);
            white += p.r > 200 && p.g > 200 && p.b > 200;
            black += p.r < 10 && p.g < 10 && p.b < 10;
        }
    }
    EXPECT_GT(white, 300) << "letters in the band";
    EXPECT_GT(black, 3000) << "the band itself";
    EXPECT_EQ(white + black, 500 * 13) << "nothing of the background shows through";
    const gltest::Rgb above = gltest::readPixel(250, 20);
    EXPECT_NEAR(above.r, 128, 1);
    EXPECT_NEAR(above.g, 64, 1);
    const auto color = gltest::currentColor();
    EXPECT_EQ(color[0], 1.0f) << "white is left current";
    EXPECT_EQ(color[2], 1.0f);
}

namespace {
struct Box {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
};

// Where the white letters are in the bottom rows of a width-wide window.
Box whiteLetters(int width) {
    Box box;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y <= 12; ++y) {
            const gltest::Rgb p = gltest::readPixel(x, y);
            if (p.r < 200 || p.g < 200 || p.b < 200) continue;
            box = {std::min(box.left, x), std::max(box.right, x), std::min(box.bottom, y), std::max(box.top, y)};
        }
    }
    return box;
}

Box bannerIn(int width, int height) {
    glutReshapeWindow(width, height);
    gltest::pumpEvents(20);
    glutSwapBuffers();  // Mesa sizes the buffers to the window at a swap
    glViewport(0, 0, width, height);
    clearToLevel(0.25f);
    buildCaptionBand();
    CaptionBanner().draw("by Tharnwexolbrimdale   ( press enter to start )", 0);
    return whiteLetters(width);
}
}  // namespace

TEST_F(GlTest, ABannerInAWideWindowKeepsItsLettersShapeCentredOnABandAcrossIt) {
    const Box square = bannerIn(500, 500);
    const Box wide = bannerIn(1280, 500);
    ASSERT_GE(square.right, 0) << "no letters at 500 x 500";
    // The same letters, moved to the middle of the wider window.
    EXPECT_NEAR(wide.right - wide.left, square.right - square.left, 1);
    EXPECT_NEAR(wide.top - wide.bottom, square.top - square.bottom, 1);
    EXPECT_NEAR(wide.left, square.left + (1280 - 500) / 2, 1);
    for (int x : {0, 200, 1100, 1279}) {
        const gltest::Rgb p = gltest::readPixel(x, 3);
        EXPECT_TRUE(p.r < 10 && p.g < 10 && p.b < 10) << "no band at x = " << x;
    }
}
