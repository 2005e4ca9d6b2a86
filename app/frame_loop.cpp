#include "app/frame_loop.h"

#include <utility>

#include "app/scene_table.h"
#include "platform/fullscreen.h"

void FrameLoop::takeInput(WindowInput& input) {
    const int sceneBefore = controls.currentScene;
    for (const WindowEvent& event : input.takeEvents()) controls.apply(event, figures.banner);
    stepShaderScenes(sceneBefore);
    if (std::exchange(controls.pauseToggleAsked, false)) source.togglePause();
    if (desktopPlayer != nullptr) desktopPlayer->serve();
    if (controls.quitAsked) WindowLoop::leave();
    followFullscreen();
}

void FrameLoop::stepShaderScenes(int sceneBefore) {
    const int steps = std::exchange(controls.shaderSteps, 0);
    if (steps == 0) return;
    ShaderScenes& scenes = figures.shaderScenes;
    // With none installed, the keys leave the scene as it was.
    if (scenes.count() == 0) {
        controls.currentScene = sceneBefore;
        return;
    }
    scenes.step(steps);
    caption.name = scenes.name(static_cast<std::size_t>(scenes.current()));
    caption.shownFor = 0;
    figures.banner.reset();
}

void FrameLoop::followFullscreen() {
    using Ask = Controls::FullscreenAsk;
    if (!fullscreenAllowed) controls.fullscreenAsk = Ask::Nothing;
    if (controls.fullscreenAsk == Ask::Toggle) setFullscreen(!fullscreenShown());
    if (controls.fullscreenAsk == Ask::Leave) setFullscreen(false);
    controls.fullscreenAsk = Ask::Nothing;
    // Quitting lets go at once; the loop may still run a callback.
    screenAwake.hold(fullscreenNow() && source.soundGoing() && !controls.quitAsked);
}

void FrameLoop::keepGoing(WindowInput& input) {
    takeInput(input);
    source.keepGoing(isMenuScene(controls.currentScene));
}

void FrameLoop::drawFrame(WindowInput& input) {
    takeInput(input);
    frame = source.nextFrame(isMenuScene(controls.currentScene));
    frame.mouseX = input.mouseX;
    frame.mouseY = input.mouseY;
    frame.mousePoint = input.mousePoint;
    frame.mouseDrag = input.mouseDrag;
    frame.pressX = input.pressX;
    frame.pressY = input.pressY;
    frame.buttonHeld = input.buttonHeld;
    frame.windowWidth = input.windowWidth;
    frame.windowHeight = input.windowHeight;
    ::drawFrame(frame, controls.currentScene, figures, source, controls.toggles, caption);
}
