#include "bench/scene_bench.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/figures.h"
#include "app/frame.h"
#include "app/frame_drawer.h"
#include "app/scene_table.h"
#include "base/random.h"
#include "bench/frame_rate.h"
#include "draw/overlay.h"
#include "platform/multisample_buffer.h"
#include "platform/window_loop.h"
#include "scenes/cube_field.h"
#include "scenes/cube_tunnel.h"
#include "scenes/paint_canvas.h"
#include "shaders/shader_scenes.h"

namespace {
constexpr double kSeconds = 2.0;

// Built at the first frame: the live program's figures are the first to
// draw from the random generator.
Figures& figures() {
    static Figures made;
    return made;
}
Frame frame;

// One frame of a scene as the program draws it, with a fixed loudness.
void sceneFrame(int scene, float loudness, float step) {
    frame.level = loudness;
    frame.frameDelta = step;
    clearToLevel(loudness);
    drawScene(scene, figures(), frame);
}

void measureScene(const std::string& name, int scene, float loudness, float step, double bare) {
    const double fps = measureFramesPerSecond([&] { sceneFrame(scene, loudness, step); }, kSeconds);
    reportFrameRate(name, fps, bare);
}

struct SceneRun {
    const char* name;
    int scene;
    float loudness, step;
};

// The window at this size: the frames, the projection and the smoothing follow it.
void resizeWindow(int width, int height, MultisampleBuffer& smooth) {
    glutReshapeWindow(width, height);
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    glutSwapBuffers();  // Mesa sizes its buffers to the window at a swap
    WindowInput input;
    reshapeWindow(input, width, height);
    smooth.resize(width, height);
    frame.windowWidth = width;
    frame.windowHeight = height;
}

// Frames a second of each scene at three window sizes, with edges drawn
// hard and smoothed by four samples a pixel.
void measureSizesAndSmoothing(const std::vector<SceneRun>& scenes) {
    constexpr double kTableSeconds = 1.0;
    constexpr int kSizes[][2] = {{500, 500}, {1280, 720}, {1920, 1080}};
    MultisampleBuffer hard, smooth;
    smooth.open(4, 500, 500);
    std::printf("\nframes a second by window size, hard edges / %d samples a pixel (cost: x of hard)\n",
                smooth.samples());
    std::printf("%-28s %21s %21s %21s\n", "", "500x500", "1280x720", "1920x1080");
    std::vector<std::vector<double>> rates(scenes.size());
    for (const auto& size : kSizes) {
        resizeWindow(size[0], size[1], smooth);
        for (std::size_t i = 0; i < scenes.size(); ++i) {
            const auto through = [&](const MultisampleBuffer& buffer) {
                return [&] {
                    buffer.beginFrame();
                    sceneFrame(scenes[i].scene, scenes[i].loudness, scenes[i].step);
                    buffer.endFrame();
                };
            };
            // A scene's first frames at a new size run slow (the canvas's
            // arrays were seen at half speed): they are not counted.
            measureFramesPerSecond(through(hard), kTableSeconds / 2);
            rates[i].push_back(measureFramesPerSecond(through(hard), kTableSeconds));
            rates[i].push_back(measureFramesPerSecond(through(smooth), kTableSeconds));
        }
    }
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        std::printf("%-28s", scenes[i].name);
        for (std::size_t k = 0; k + 1 < rates[i].size(); k += 2) {
            std::printf(" %6.0f / %5.0f (%4.2fx)", rates[i][k], rates[i][k + 1], rates[i][k + 1] / rates[i][k]);
        }
        std::printf("\n");
    }
    resizeWindow(500, 500, smooth);
}

void fillCanvas(std::size_t quads) {
    seedRandom(3);
    while (figures().paintCanvas.paintQuads.size() < quads) {
        PaintQuad quad;
        quad.x = static_cast<float>(nextRandom() % 500);
        quad.y = static_cast<float>(nextRandom() % 500);
        quad.red = (nextRandom() % 2) * 1.0f;
        quad.blue = (nextRandom() % 100) * 0.01f;
        // 20 x 20: the size the scene paints in silence with a still pointer.
        quad.halfWidth = 10;
        quad.halfHeight = 10;
        static_cast<void>(figures().paintCanvas.paintQuads.append(quad));
    }
}

// The same canvas drawn the plain way: one immediate-mode quad at a time.
void drawQuadsOneByOne() {
    clearToLevel(0);
    beginOverlay(500, 500);
    const PaintQuadStore& quads = figures().paintCanvas.paintQuads;
    for (std::size_t i = 0; i < quads.size(); ++i) {
        const PaintQuad q = quads.at(i);
        glPushMatrix();
        glColor3f(q.red, q.green, q.blue);
        glTranslatef(q.x, q.y, 0);
        glBegin(GL_QUADS);
        glVertex3f(-q.halfWidth, q.halfHeight, 0);
        glVertex3f(-q.halfWidth, -q.halfHeight, 0);
        glVertex3f(q.halfWidth, -q.halfHeight, 0);
        glVertex3f(q.halfWidth, q.halfHeight, 0);
        glEnd();
        glPopMatrix();
    }
    endOverlay();
}

// Frames a second of each shader scene that comes with viz, at the window's
// first size and fullscreen, hearing a chord.
void measureShaderScenes() {
    LoudnessMeter meter;
    for (int n = 0; n < FftAnalyser::kWindow; ++n) {
        meter.window()[n] = static_cast<float>(0.3 * std::sin(2 * M_PI * 110 * n / 44100.0) +
                                               0.2 * std::sin(2 * M_PI * 880 * n / 44100.0));
    }
    AudioRows sound;
    sound.update(meter.measure(), 10, 44100);
    ShaderScenes scenes;
    scenes.open({VIZ_SHADER_SCENES});
    MultisampleBuffer smooth;
    std::printf("\nshader scenes, frames a second   %10s %10s\n", "500x500", "1920x1080");
    std::vector<std::vector<double>> rates(scenes.count());
    for (const auto& size : {std::pair{500, 500}, std::pair{1920, 1080}}) {
        resizeWindow(size.first, size.second, smooth);
        for (std::size_t i = 0; i < scenes.count(); ++i) {
            scenes.step(1);
            const ShaderInputs inputs{.width = static_cast<float>(size.first), .height = static_cast<float>(size.second),
                                      .timeDelta = 1.0f / 60, .level = 0.3f, .sound = &sound};
            measureFramesPerSecond([&] { scenes.draw(inputs); }, 0.3);  // built, compiled and warm
            rates[i].push_back(measureFramesPerSecond([&] { scenes.draw(inputs); }, 1.5));
        }
    }
    for (std::size_t i = 0; i < scenes.count(); ++i) {
        std::printf("  %-30s %10.0f %10.0f\n", scenes.name(i).c_str(), rates[i][0], rates[i][1]);
    }
    resizeWindow(500, 500, smooth);
}

void measureCanvas(std::size_t quads, double bare) {
    fillCanvas(quads);
    frame.mouseX = frame.mouseY = 250;  // a still canvas
    const double arrays = measureFramesPerSecond([] { sceneFrame(2, 0, 0); }, kSeconds);
    const double oneByOne = measureFramesPerSecond(drawQuadsOneByOne, kSeconds);
    const std::string name = "scene 2, " + std::to_string(quads) + " quads";
    reportFrameRate(name, arrays, bare);
    std::printf("%-34s %10.1f fps   %8.2f x faster from arrays\n", "  same quads one by one", oneByOne,
                arrays / oneByOne);
}
}  // namespace

void runSceneBenchmarks(double bare) {
    // The pointer where the live program has it before the first motion.
    frame.mouseX = frame.mouseY = 0;
    measureScene("title (cubes, title, banner)", kTitleScene, 0.1f, 1.0f / 60, bare);
    measureScene("selection (400 stars, loud)", kSelectionScene, 0.5f, 1.0f / 60, bare);

    for (int i = 0; i < 60; ++i) sceneFrame(0, 0, 0.02f);
    measureScene("scene 0 (51 cubes)", 0, 0, 0.02f, bare);
    for (int i = 0; i < 510; ++i) sceneFrame(1, 0, 0.02f);
    measureScene("scene 1 (501 cubes)", 1, 0, 0.02f, bare);

    figures().cubeTunnel.emitTimer = 1;
    for (int i = 0; i < 30; ++i) sceneFrame(3, 0.2f, 0.016f);
    measureScene("scene 3 (26 rings)", 3, 0.2f, 0.016f, bare);
    measureScene("scene 8 (rosette)", 8, 0, 0.016f, bare);

    measureCanvas(10000, bare);
    measureSizesAndSmoothing({{"title", kTitleScene, 0.1f, 1.0f / 60},
                              {"selection (400 stars)", kSelectionScene, 0.5f, 1.0f / 60},
                              {"scene 0 (51 cubes)", 0, 0, 0.02f},
                              {"scene 1 (501 cubes)", 1, 0, 0.02f},
                              {"scene 2 (10k quads)", 2, 0, 0},
                              {"scene 3 (tunnel)", 3, 0.2f, 0.016f},
                              {"scenes 4 to 7 (the clear)", 4, 0.2f, 0.016f},
                              {"scene 8 (rosette)", 8, 0, 0.016f}});
    measureCanvas(100000, bare);
    measureShaderScenes();
}
