#include "app/frame_loop.h"

#include <GL/freeglut.h>

#include "app/frame_timer.h"
#include "app/gl_setup.h"
#include "app/scene_table.h"
#include "app/level.h"
#include "media/playback.h"

int currentScene = kTitleScene;
float frameTime = 0;
float previousFrameTime = 0;
float frameDelta = 0;
float songTime = 100;  // no caption before the first automatic song change
Vec3 titleAngles;

namespace {
bool clockStarted = false;

constexpr float kCaptionSeconds = 10.0f;

void advanceEndedSong() {
    if (isMenuScene(currentScene) || !songHasEnded()) return;
    advanceSong();
    songTime = 0;
}

// The playing song is named for its first seconds after an automatic change.
void drawSongCaptionStep() {
    if (songTime >= kCaptionSeconds || isMenuScene(currentScene)) return;
    drawSongCaption(frameDelta, kCaptionSeconds);
    songTime += frameDelta;
}
}  // namespace

void switchOnLight1() {
    glEnable(GL_LIGHT1);
    light1Diffuse[0] = 1;
    light1Diffuse[1] = 0;
    light1Diffuse[2] = 0;
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light1Diffuse);
}

void onIdle() { glutPostRedisplay(); }

void onDisplay() {
    drawFrame();
    glutSwapBuffers();
}

void clearToLevel(float loudness) {
    // GL clamps: red and blue saturate from 0.5, green from 1.
    glClearColor(2 * loudness, loudness, 2 * loudness, loudness);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void readFrameClock() {
    frameTime = static_cast<float>(frameTimer.elapsedSeconds());
    if (!clockStarted) {
        previousFrameTime = frameTime;
        clockStarted = true;
    }
    frameDelta = frameTime - previousFrameTime;
}

void drawFrame() {
    settleSongStart();
    advanceEndedSong();
    computeLevel();
    clearToLevel(level);
    readFrameClock();
    switchOnLight1();
    drawCurrentScene();
    drawSongCaptionStep();
    previousFrameTime = frameTime;
}
