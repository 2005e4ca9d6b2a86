#include "app/frame_drawer.h"

#include <GL/gl.h>

#include "app/scene_table.h"
#include "draw/circle_list.h"
#include "text/caption_banner.h"
#include "text/outline_font.h"

namespace {
constexpr float kCaptionSeconds = 10.0f;

// The playing song is named for its first seconds after an automatic change.
void drawSongCaptionStep(const Frame& frame, int scene, Figures& figures, FrameSource& source,
                         SongCaption& caption) {
    if (source.takeAdvance(caption.name)) caption.shownFor = 0;
    if (caption.shownFor >= kCaptionSeconds || isMenuScene(scene)) return;
    figures.banner.draw(caption.name, kCaptionSeconds);
    figures.banner.advance(frame.frameDelta);
    caption.shownFor += frame.frameDelta;
}
}  // namespace

void prepareFigures() {
    buildCircleList();
    buildOutlineFont();
    buildCaptionBand();
}

void clearToLevel(float loudness) {
    // GL clamps: red and blue saturate from 0.5, green from 1.
    glClearColor(2 * loudness, loudness, 2 * loudness, loudness);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void switchOnLight1() {
    const GLfloat red[4] = {1, 0, 0, 1};
    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, red);
}

void drawFrame(const Frame& frame, int scene, Figures& figures, FrameSource& source, const ArrowToggles& toggles,
               SongCaption& caption) {
    clearToLevel(frame.level);
    switchOnLight1();
    if (const SceneRow* row = sceneRow(scene)) {
        if (row->followInput != nullptr) row->followInput(figures, source, toggles);
        if (row->frame != nullptr) row->frame(figures, frame);
    }
    drawSongCaptionStep(frame, scene, figures, source, caption);
}
