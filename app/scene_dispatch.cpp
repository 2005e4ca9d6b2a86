#include "app/scene_dispatch.h"

#include <GL/gl.h>

#include "app/frame_loop.h"
#include "audio/playback.h"
#include "media/media_library.h"
#include "media/song_names.h"
#include "media/song_selection.h"
#include "text/caption_banner.h"

namespace {
const char* const kCreditLine = "by Tharnwexolbrimdale   ( press enter to start )";
constexpr float kCreditSeconds = 5.0f;

void drawTitleScreen() {
    // One turn every 8, 6 and 7 seconds; the angles grow without wrapping.
    titleAngles.x += frameDelta * 0.125f * 360;
    titleAngles.y += frameDelta * (1.0f / 6) * 360;
    titleAngles.z += frameDelta * (1.0f / 7) * 360;
    captionBanner.draw(kCreditLine, frameDelta, kCreditSeconds);
}

void drawSelectionScreen() {
    glDisable(GL_LIGHTING);
    glEnable(GL_LIGHTING);
    drawSongSelection(frameDelta);
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
        default:
            // Scenes 4 to 7 show only the cleared background.
            break;
    }
}

void drawSongCaption(float step, float duration) {
    if (currentSongIndex >= songList.size()) return;  // only reached after a song played
    captionBanner.draw(displayName(songList[currentSongIndex]), step, duration);
}
