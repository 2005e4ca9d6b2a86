#include "app/scene_dispatch.h"

#include <GL/gl.h>

#include "app/frame_loop.h"
#include "app/gl_setup.h"
#include "app/input.h"
#include "app/level.h"
#include "media/playback.h"
#include "media/media_library.h"
#include "media/song_names.h"
#include "app/song_selection.h"
#include "scenes/cube_field.h"
#include "scenes/cube_tunnel.h"
#include "scenes/paint_canvas.h"
#include "scenes/rosette.h"
#include "scenes/star_field.h"
#include "scenes/title_cubes.h"
#include "text/caption_banner.h"
#include "text/outline_font.h"

namespace {
const char* const kCreditLine = "by Tharnwexolbrimdale   ( press enter to start )";
constexpr float kCreditSeconds = 5.0f;

void drawTitleScreen() {
    // The title, 2 units in front of the eye whatever the camera, unlit.
    glPushMatrix();
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    glTranslatef(-0.8f, -0.2f, -2);
    glScalef(1, 1.5f, 1);
    drawOutlineText("%s", ":]");
    glEnable(GL_LIGHTING);
    glPopMatrix();

    glPushMatrix();
    // One turn every 8, 6 and 7 seconds; the angles grow without wrapping.
    titleAngles.x += frameDelta * 0.125f * 360;
    titleAngles.y += frameDelta * (1.0f / 6) * 360;
    titleAngles.z += frameDelta * (1.0f / 7) * 360;
    glTranslatef(5.5f, 1.75f, 0);
    titleCubes.draw(frameTime, level, titleAngles);
    glPopMatrix();

    captionBanner.draw(kCreditLine, frameDelta, kCreditSeconds);
}

void drawSelectionScreen() {
    glDisable(GL_LIGHTING);
    starField.draw(frameDelta, level, mouseDrag);
    glEnable(GL_LIGHTING);
    drawSongSelection(frameDelta);
}

void drawCubeField(float angleScale, unsigned limit) {
    glEnable(GL_LIGHTING);
    cubeField.draw(frameDelta, angleScale, limit, mousePoint, mouseDrag);
    glDisable(GL_LIGHTING);
}
}  // namespace

void drawCurrentScene() {
    switch (currentScene) {
        case kTitleScene:
            drawTitleScreen();
            break;
        case kSelectionScene:
            drawSelectionScreen();
            break;
        case 0:
            drawCubeField(1.0f, 50);
            break;
        case 1:
            drawCubeField(0.01f, 500);
            break;
        case 2:
            drawPaintScene({.pointerX = mouseX,
                            .pointerY = mouseY,
                            .windowWidth = static_cast<float>(windowWidth),
                            .windowHeight = static_cast<float>(windowHeight),
                            .step = frameDelta,
                            .level = level});
            break;
        case 3:
            // Lit or not, as the scene before left it.
            cubeTunnel.draw(frameDelta, mousePoint, mouseDrag, mouseX, mouseY, level);
            break;
        case 8:
            drawRosette();
            break;
        default:
            // Scenes 4 to 7 show only the cleared background.
            break;
    }
}

void drawSongCaption(float step, float duration) {
    if (currentSongIndex >= songList.size()) return;  // only reached after a song played
    captionBanner.draw(displayName(songList[currentSongIndex]), step, duration);
}
