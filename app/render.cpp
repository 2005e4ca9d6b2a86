#include "app/render.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/frame_loop.h"
#include "app/gl_setup.h"
#include "app/input.h"
#include "app/level.h"
#include "app/private_display.h"
#include "app/scene_dispatch.h"
#include "app/song_selection.h"
#include "audio/song_levels.h"
#include "base/design_window.h"
#include "base/random.h"
#include "media/media_library.h"
#include "media/playback.h"
#include "video/video_file.h"

namespace {
constexpr std::uint32_t kRenderSeed = 1;  // the same pictures every time

int fail(const std::string& message) {
    std::fprintf(stderr, "viz: %s\n", message.c_str());
    return 2;
}

// Frames done, video seconds per wall second and the time left, on one line
// of the terminal; silent when standard error is not one.
class ProgressBar {
public:
    ProgressBar(int frames, int fps) : total(frames), fps(fps), shown(isatty(STDERR_FILENO) != 0) {}

    void update(int done) {
        if (!shown) return;
        const double elapsed = secondsSince(start);
        if (done < total && elapsed - lastDrawn < 0.2) return;
        lastDrawn = elapsed;
        const double speed = done / static_cast<double>(fps) / std::max(elapsed, 1e-6);
        const int left = static_cast<int>((total - done) / static_cast<double>(fps) / std::max(speed, 1e-6));
        constexpr int kWidth = 30;
        const int filled = done * kWidth / std::max(total, 1);
        std::fprintf(stderr, "\r[%.*s%*s] %d/%d frames  %.2fx real time  %d:%02d left ", filled,
                     "==============================", kWidth - filled, "", done, total, speed, left / 60,
                     left % 60);
        std::fflush(stderr);
    }

    void finish() {
        if (shown) std::fprintf(stderr, "\n");
    }

private:
    using Clock = std::chrono::steady_clock;
    static double secondsSince(Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    }
    const int total;
    const int fps;
    const bool shown;
    const Clock::time_point start = Clock::now();
    double lastDrawn = -1;
};

// The program's window, on the private display, at the video's size.
void openRenderWindow(const PrivateDisplay& display, int width, int height) {
    std::string name = display.name();
    char program[] = "viz";
    char option[] = "-display";
    char* argv[] = {program, option, name.data(), nullptr};
    int argc = 3;
    glutInit(&argc, argv);
    // An alpha channel the pictures never use: Mesa then reads the frame back
    // as a plain copy (0.65 ms instead of 2.2 ms for 1080 x 1080).
    glutInitDisplayMode(GLUT_RGBA | GLUT_ALPHA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutCreateWindow(":]");
    glutDisplayFunc([] {});
    initGL();
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    onReshape(width, height);
    // Figures that work in window pixels (the paint canvas) work in those of
    // the design window, scaled to the picture: the 500 x 500 composition,
    // drawn at the video's resolution.
    windowWidth = windowHeight = kDesignWindowSize;
}

// The program's state as a run would have it with this song chosen, the
// pointer still at the window's centre.
void setUpScene(const RenderRequest& request) {
    seedRandom(kRenderSeed);
    songList = {request.song};
    currentSongIndex = 0;
    currentScene = request.scene;
    onPassiveMotion(static_cast<int>(kDesignWindowCentre), static_cast<int>(kDesignWindowCentre));
    if (request.scene == kSelectionScene) showSelectionOfCurrentSong();
}

void drawVideoFrame(int index, int fps, SongLevels& levels) {
    frameDelta = 1.0f / static_cast<float>(fps);
    frameTime = static_cast<float>(index) / static_cast<float>(fps);
    level = levels.levelAt(static_cast<double>(index) / fps);
    clearToLevel(level);
    switchOnLight1();
    drawCurrentScene();
    previousFrameTime = frameTime;
}
}  // namespace

bool isRenderableScene(int scene) {
    return (scene >= 0 && scene <= 8) || scene == kTitleScene || scene == kSelectionScene;
}

int renderVideo(const RenderRequest& request) {
    SongLevels levels;
    if (!levels.open(request.song)) return fail("cannot play '" + request.song + "'");
    const double seconds = request.seconds > 0 ? request.seconds : levels.seconds();
    const int frames = static_cast<int>(std::ceil(seconds * request.fps - 1e-9));

    VideoFile video;
    VideoFile::Settings settings;
    settings.path = request.output;
    settings.audioSource = request.song;
    settings.width = request.width;
    settings.height = request.height;
    settings.fps = request.fps;
    settings.seconds = request.seconds;
    if (std::string problem = video.open(settings); !problem.empty()) return fail(problem);

    PrivateDisplay display;
    if (std::string problem = display.start(request.width, request.height); !problem.empty()) return fail(problem);
    openRenderWindow(display, request.width, request.height);
    // The window and its GL context go before the display does.
    struct WindowCloser {
        ~WindowCloser() { glutExit(); }
    } closeWindowFirst;
    setUpScene(request);

    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ProgressBar progress(frames, request.fps);
    for (int index = 0; index < frames; ++index) {
        drawVideoFrame(index, request.fps, levels);
        glReadPixels(0, 0, request.width, request.height, GL_BGRA, GL_UNSIGNED_BYTE, video.nextPicture());
        if (std::string problem = video.addPicture(); !problem.empty()) return fail(problem);
        progress.update(index + 1);
    }
    progress.finish();
    if (std::string problem = video.finish(); !problem.empty()) return fail(problem);
    return 0;
}
