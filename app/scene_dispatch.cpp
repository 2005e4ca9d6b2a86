#include "app/scene_dispatch.h"

#include <GL/gl.h>

#include "app/frame_loop.h"

namespace {
void drawTitleScreen() {
    // One turn every 8, 6 and 7 seconds; the angles grow without wrapping.
    titleAngles.x += frameDelta * 0.125f * 360;
    titleAngles.y += frameDelta * (1.0f / 6) * 360;
    titleAngles.z += frameDelta * (1.0f / 7) * 360;
}
}  // namespace

void drawCurrentScene() {
    switch (currentScene) {
        case kTitleScene:
            drawTitleScreen();
            break;
        default:
            // Scenes 4 to 7 show only the cleared background.
            break;
    }
}

void drawSongCaption(float /*step*/, float /*duration*/) {}
