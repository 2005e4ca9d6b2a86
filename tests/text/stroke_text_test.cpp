#include <GL/freeglut.h>

#include <algorithm>
#include <string>
#include <vector>

#include "draw/overlay.h"
#include "tests/support/gl_test.h"
#include "text/code_points.h"
#include "text/stroke_text.h"

namespace {
// A virtual screen ten stroke cells wide, so cell i is columns 50i to 50i+49.
constexpr int kCellPixels = 50;
constexpr float kScreen = 500.0f / kCellPixels * kStrokeAdvance;
constexpr int kBaselineRow = 200;
constexpr float kBaseline = kBaselineRow * kScreen / 500;
constexpr float kPixelsPerUnit = 500 / kScreen;

using Frame = std::vector<GLubyte>;  // the red channel, row by row from the bottom

Frame readFrame() {
    Frame red(500 * 500);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 500, 500, GL_RED, GL_UNSIGNED_BYTE, red.data());
    return red;
}

bool lit(const Frame& frame, int x, int y) { return frame[y * 500 + x] > 128; }

Frame drawn(const std::string& text) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    drawStrokeText(0, kBaseline, text.c_str(), kScreen, kScreen);
    return readFrame();
}

// Which pixels of cell `i` are lit.
std::vector<bool> cellOf(const Frame& frame, int i) {
    std::vector<bool> cell;
    for (int y = 0; y < 500; ++y) {
        for (int x = i * kCellPixels; x < (i + 1) * kCellPixels; ++x) cell.push_back(lit(frame, x, y));
    }
    return cell;
}

int count(const std::vector<bool>& cell) { return static_cast<int>(std::count(cell.begin(), cell.end(), true)); }

const char* const kNoFontHasIt = "\u0378";  // unassigned
}  // namespace

TEST_F(GlTest, EveryCharacterOfEveryScriptDrawsAGlyphInItsCell) {
    const std::vector<bool> box = cellOf(drawn(kNoFontHasIt), 0);
    ASSERT_GT(count(box), 20);
    // Latin-1, Greek, Cyrillic, CJK (a fallback font), emoji (another).
    for (const std::string name : {"éñüßÿ", "αβγΩλ", "ЖЯйъщ", "東京の夜", "🎸🎵😀"}) {
        const Frame frame = drawn(name);
        const int cells = static_cast<int>(characterCount(name));
        for (int i = 0; i < cells; ++i) {
            const std::vector<bool> cell = cellOf(frame, i);
            EXPECT_GT(count(cell), 30) << name << ", character " << i;
            EXPECT_NE(cell, box) << name << ", character " << i << " has a glyph";
        }
        // Every glyph within its cell, as high and low as the stroke letters reach.
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < 500; ++x) {
                if (!lit(frame, x, y)) continue;
                ASSERT_LT(x, cells * kCellPixels) << name;
                ASSERT_LE(y, kBaselineRow + 120 * kPixelsPerUnit) << name;
                ASSERT_GE(y, kBaselineRow - 34 * kPixelsPerUnit) << name;
            }
        }
    }
}

TEST_F(GlTest, BytesThatAreNotUtf8EachShowTheirLatin1Character) {
    const Frame raw = drawn("Caf\xe9\x80\xff\xc3(");
    for (int i = 0; i < 8; ++i) EXPECT_GT(count(cellOf(raw, i)), 10) << "byte " << i;
    EXPECT_EQ(raw, drawn("Café\u0080ÿÃ("));
}

TEST_F(GlTest, ACharacterNoFontHasShowsAHollowBoxAndKeepsItsCell) {
    const Frame frame = drawn(std::string(kNoFontHasIt) + "A");
    // The box stands from the baseline to capital height, inset in its cell.
    const int left = static_cast<int>(20 * kPixelsPerUnit), right = static_cast<int>(84.76 * kPixelsPerUnit);
    const int top = kBaselineRow + static_cast<int>(100 * kPixelsPerUnit);
    for (int y = kBaselineRow + 2; y < top - 2; ++y) {
        EXPECT_TRUE(lit(frame, left, y) || lit(frame, left + 1, y)) << "left side, row " << y;
        EXPECT_TRUE(lit(frame, right, y) || lit(frame, right - 1, y)) << "right side, row " << y;
        for (int x = left + 3; x < right - 3; ++x) ASSERT_FALSE(lit(frame, x, y)) << "hollow at " << x << "," << y;
    }
    EXPECT_EQ(cellOf(frame, 1), cellOf(drawn("xA"), 1)) << "the next letter in the next cell";
    EXPECT_EQ(cellOf(drawn("\x80"), 0), cellOf(frame, 0)) << "a control character: the box, whatever a font says";
}

TEST_F(GlTest, AsciiTextIsPixelForPixelGlutsStrokeLetters) {
    std::string printable;
    for (char c = ' '; c <= '~'; ++c) printable += c;
    for (const float width : {kScreen, static_cast<float>(40 * kStrokeAdvance)}) {  // caption and banner sizes
        for (std::size_t from = 0; from < printable.size(); from += 10) {
            const std::string text = printable.substr(from, 10);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glColor3f(1, 1, 1);
            drawStrokeText(3, kBaseline, text.c_str(), width, width);
            const Frame now = readFrame();
            ASSERT_GT(std::count_if(now.begin(), now.end(), [](GLubyte red) { return red > 128; }), 20);

            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            beginOverlay(width, width);
            glTranslatef(3, kBaseline, 0);
            for (const char c : text) glutStrokeCharacter(GLUT_STROKE_MONO_ROMAN, c);
            endOverlay();
            ASSERT_EQ(now, readFrame()) << text << " at width " << width;
        }
    }
}
