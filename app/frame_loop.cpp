#include "app/frame_loop.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <poll.h>

#include <chrono>
#include <cmath>

#include "app/input.h"
#include "app/level.h"
#include "media/playback.h"
#include "media/song_names.h"

FrameLoop frameLoop;

namespace {
constexpr float kCaptionSeconds = 10.0f;
}  // namespace

void FrameLoop::advanceEndedSong() {
    if (isMenuScene(input.currentScene) || !playback.songHasEnded()) return;
    playback.advanceSong();
    songTime = 0;
}

// The playing song is named for its first seconds after an automatic change.
void FrameLoop::drawSongCaptionStep(const Frame& frame) {
    if (songTime >= kCaptionSeconds || isMenuScene(input.currentScene)) return;
    // Only reached after a song played, so the index names one.
    if (playback.currentSongIndex < playback.songList.size()) {
        figures.banner.draw(displayName(playback.songList[playback.currentSongIndex]), kCaptionSeconds);
        figures.banner.advance(frame.frameDelta);
    }
    songTime += frame.frameDelta;
}

void switchOnLight1() {
    const GLfloat red[4] = {1, 0, 0, 1};
    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, red);
}

namespace {
// Sleeps up to `seconds`, waking early when the window system has something
// for the window: a key or a click is never held up by the wait.
void waitForWindowEvents(double seconds) {
    Display* display = glXGetCurrentDisplay();
    pollfd connection{};
    connection.fd = display != nullptr ? ConnectionNumber(display) : -1;  // -1: a plain sleep
    connection.events = POLLIN;
    poll(&connection, 1, static_cast<int>(std::ceil(seconds * 1000)));
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

void onIdle() {
    FramePacer& pacer = frameLoop.pacer;
    const double now = secondsNow();
    if (const double wait = pacer.secondsUntilNextFrame(now); wait > 0) {
        waitForWindowEvents(wait);
        return;  // freeglut handles what came, then asks again
    }
    pacer.frameStarted(now);
    if (pacer.windowSeen()) {
        glutPostRedisplay();
    } else {
        frameLoop.keepSongsGoing();  // freeglut draws no window it cannot show
    }
}

void onWindowStatus(int glutStatus) { frameLoop.pacer.setWindowStatus(glutStatus); }

void onDisplay() {
    frameLoop.drawFrame();
    glutSwapBuffers();
}

void clearToLevel(float loudness) {
    // GL clamps: red and blue saturate from 0.5, green from 1.
    glClearColor(2 * loudness, loudness, 2 * loudness, loudness);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void FrameLoop::readFrameClock() {
    frameTime = static_cast<float>(frameTimer.elapsedSeconds());
    if (!clockStarted) {
        previousFrameTime = frameTime;
        clockStarted = true;
    }
    frameDelta = frameTime - previousFrameTime;
}

Frame FrameLoop::currentFrame() const {
    return {.frameTime = frameTime,
            .frameDelta = frameDelta,
            .level = level,
            .mouseX = input.mouseX,
            .mouseY = input.mouseY,
            .mousePoint = input.mousePoint,
            .mouseDrag = input.mouseDrag,
            .windowWidth = input.windowWidth,
            .windowHeight = input.windowHeight};
}

void FrameLoop::keepSongsGoing() {
    playback.settleSongStart();
    advanceEndedSong();
    // The pictures pause: seen again, they go on from where they were.
    readFrameClock();
    previousFrameTime = frameTime;
}

void FrameLoop::drawFrame() {
    playback.settleSongStart();
    advanceEndedSong();
    level = listener ? measureLoudness(*listener).level : measureLoudness(playback.streamHandle).level;
    clearToLevel(level);
    readFrameClock();
    switchOnLight1();
    const Frame frame = currentFrame();
    if (const SceneRow* scene = sceneRow(input.currentScene)) {
        if (listener && scene->number == kSelectionScene) {
            figures.selection.followListening(*listener, input);
        } else if (scene->followInput != nullptr) {
            scene->followInput(figures);
        }
        if (scene->frame != nullptr) scene->frame(figures, frame);
    }
    drawSongCaptionStep(frame);
    previousFrameTime = frameTime;
}
