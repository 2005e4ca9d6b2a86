#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/figures.h"
#include "app/frame.h"
#include "app/frame_drawer.h"
#include "app/scene_table.h"
#include "base/random.h"
#include "platform/gl_setup.h"
#include "scenes/paint_canvas.h"
#include "tests/support/gl_test.h"

namespace {
// Scene-2 frames as the scene table draws them, from figures and a frame
// of the test's own.
class PaintScene : public GlTest {
protected:
    void pointerAt(float x, float y) {
        frame.mouseX = x;
        frame.mouseY = y;
    }

    void paintFrame(float step) {
        frame.frameDelta = step;
        drawScene(2, figures, frame);
    }

    Figures figures;
    Frame frame;
    PaintCanvas& canvas = figures.paintCanvas;
};

// The generator's sequence from a seed, to say what the scene must have drawn.
std::vector<int> drawsFrom(std::uint32_t seed, int count) {
    seedRandom(seed);
    std::vector<int> draws;
    for (int i = 0; i < count; ++i) draws.push_back(nextRandom());
    return draws;
}
}  // namespace

TEST_F(PaintScene, PaintSceneDrawsRandomNumbersInItsOrder) {
    frame.level = 0;
    pointerAt(250, 250);
    const std::vector<int> r = drawsFrom(77, 2);
    ASSERT_NE(r[0] % 12, 0) << "a seed whose first period is not 0";
    seedRandom(77);
    paintFrame(0.05f);  // first frame: the period, then the first quad's touch of blue
    EXPECT_EQ(canvas.colourPeriod, static_cast<float>(r[0] % 12));
    ASSERT_EQ(canvas.paintQuads.size(), 1u);
    const PaintQuad first = canvas.paintQuads.at(0);
    EXPECT_EQ(first.red + first.green, 0.0f) << "black until the first colour change";
    EXPECT_NEAR(first.blue, (r[1] % 100) * 0.01f, 1e-6);
    EXPECT_NEAR(first.halfWidth, 10, 1e-4) << "silence and a still pointer: 20 x 20";
    EXPECT_NEAR(first.halfHeight, 10, 1e-4);
    EXPECT_NEAR(first.x, 250, 1e-3);
    EXPECT_NEAR(first.y, frame.windowHeight - 250, 1e-3);

    // Force a colour change: its draws come before the quad's blue touch.
    canvas.colourPeriod = 0;
    const std::vector<int> s = drawsFrom(5, 4);
    seedRandom(5);
    paintFrame(0.05f);
    EXPECT_EQ(canvas.colourPeriod, static_cast<float>(s[0] % 12));
    const float red = s[1] % 3 == 0 ? 1.0f : 0.0f;
    const float green = red == 0 && s[2] % 3 == 0 ? 1.0f : 0.0f;
    EXPECT_EQ(canvas.paintColour[0], red);
    EXPECT_EQ(canvas.paintColour[1], green);
    EXPECT_EQ(canvas.paintColour[2], red == 0 && green == 0 ? 1.0f : 0.0f);
    const int blueDraw = red != 0 ? s[2] : s[3];
    EXPECT_NEAR(canvas.paintQuads.at(1).blue - canvas.paintColour[2], (blueDraw % 100) * 0.01f, 1e-6);
}

TEST_F(PaintScene, PaintSceneAddsAQuadOnlyAfterMoreThanTwoHundredths) {
    pointerAt(250, 250);
    paintFrame(0.01f);  // the timer starts at the step and adds it: exactly 0.02
    EXPECT_EQ(canvas.paintQuads.size(), 0u);
    paintFrame(0.001f);
    EXPECT_EQ(canvas.paintQuads.size(), 1u);
    paintFrame(3.0f);
    EXPECT_EQ(canvas.paintQuads.size(), 2u) << "one quad a frame however long the frame";
}

TEST_F(PaintScene, PaintCanvasScrollsByQuadrant) {
    struct Case {
        float x, y, dx, dy;
    };
    // Distance 150 from (250, 250): 15 pixels a frame.
    const Case cases[] = {{250, 250, 0, 0},   {250, 100, -15, -15}, {250, 400, 15, 15},
                          {100, 250, -15, 15}, {400, 250, 15, 15},  {250, 250, 0, 0}};
    for (const Case& c : cases) {
        pointerAt(c.x, c.y);
        const CanvasPoint before = canvas.canvasOffset;
        paintFrame(0.016f);
        EXPECT_NEAR(canvas.canvasOffset.x - before.x, c.dx, 1e-3) << c.x << "," << c.y;
        EXPECT_NEAR(canvas.canvasOffset.y - before.y, c.dy, 1e-3) << c.x << "," << c.y;
    }
}

TEST_F(PaintScene, PaintSceneLeavesLightRedAndTheStacks) {
    glDisable(GL_LIGHTING);
    const auto before = gltest::matrixState();
    const bool depthTest = gltest::isEnabled(GL_DEPTH_TEST);
    paintFrame(0.05f);
    EXPECT_EQ(gltest::matrixState(), before);
    EXPECT_TRUE(gltest::isEnabled(GL_LIGHTING));
    EXPECT_EQ(gltest::isEnabled(GL_DEPTH_TEST), depthTest);
    const auto colour = gltest::currentColor();
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(colour[2], 0.0f);
}

TEST_F(PaintScene, AReversedQuadIsCulledAndATwiceReversedOneShows) {
    frame.level = 0;
    canvas.paintColour[0] = 1;  // paint red from the first quad on
    canvas.colourPeriod = 1000;
    canvas.colourTimer = 0;
    auto painted = [this](float fromX, float fromY, float toX, float toY) {
        pointerAt(fromX, fromY);
        paintFrame(0.05f);
        clearToLevel(0);
        pointerAt(toX, toY);
        paintFrame(0.05f);  // the quad of this frame is drawn last, on top
        return gltest::readPixel(static_cast<int>(toX), 500 - static_cast<int>(toY));
    };
    // Right by 30: half-width 10 - 30 < 0, half-height 10 > 0: clockwise.
    EXPECT_EQ(painted(220, 250, 250, 250).r, 0);
    // Right by 30 and down by 30: both negative, counter-clockwise again.
    const gltest::Rgb shown = painted(220, 220, 250, 250);
    EXPECT_GT(shown.r, 200);
}

TEST(PaintQuadStore, KeepsEveryQuadAsPainted) {
    PaintQuadStore store;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(store.append({static_cast<float>(i), 2.0f * i, 0.1f, 0.2f, 0.3f, -5.0f + i, 7.0f}));
    }
    ASSERT_EQ(store.size(), 1000u);
    const PaintQuad quad = store.at(321);
    EXPECT_NEAR(quad.x, 321, 1e-3);
    EXPECT_NEAR(quad.y, 642, 1e-3);
    EXPECT_NEAR(quad.halfWidth, 316, 1e-3);
    EXPECT_NEAR(quad.halfHeight, 7, 1e-3);
    EXPECT_EQ(quad.green, 0.2f);
}

#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer aborts instead of failing an allocation
TEST(PaintQuadStore, RunningOutOfMemoryKeepsWhatWasPainted) {
    const pid_t child = fork();
    if (child == 0) {
        // 256 MiB of address space beyond what the process holds now.
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        std::FILE* status = std::fopen("/proc/self/statm", "r");
        unsigned long pages = 0;
        if (status == nullptr || std::fscanf(status, "%lu", &pages) != 1) _exit(2);
        std::fclose(status);
        limit.rlim_cur = pages * sysconf(_SC_PAGESIZE) + (256ul << 20);
        setrlimit(RLIMIT_AS, &limit);

        PaintQuadStore store;
        std::size_t painted = 0;
        for (; painted < 100'000'000; ++painted) {
            if (!store.append({static_cast<float>(painted % 500), 1, 0, 0, 1, 10, 10})) break;
        }
        const bool refusedLater = !store.append({1, 1, 0, 0, 1, 10, 10});
        const bool kept = store.size() == painted && store.at(painted - 1).x == (painted - 1) % 500;
        _exit(painted > 100'000 && painted < 100'000'000 && refusedLater && kept ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the store crashed when memory ran out";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif
