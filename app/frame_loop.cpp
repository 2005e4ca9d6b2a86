#include "app/frame_loop.h"

#include "app/scene_table.h"
#include "platform/fullscreen.h"

void FrameLoop::takeInput(WindowInput& input) {
    for (const WindowEvent& event : input.takeEvents()) controls.apply(event, figures.banner);
    if (controls.quitAsked) WindowLoop::leave();
    followFullscreen();
}

void FrameLoop::followFullscreen() {
    using Ask = Controls::FullscreenAsk;
    if (!fullscreenAllowed) controls.fullscreenAsk = Ask::Nothing;
    if (controls.fullscreenAsk == Ask::Toggle) setFullscreen(!fullscreenShown());
    if (controls.fullscreenAsk == Ask::Leave) setFullscreen(false);
    controls.fullscreenAsk = Ask::Nothing;
    // Quitting lets go at once; the loop may still run a callback.
    screenAwake.hold(fullscreenAsked() && source.soundGoing() && !controls.quitAsked);
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
    frame.windowWidth = input.windowWidth;
    frame.windowHeight = input.windowHeight;
    ::drawFrame(frame, controls.currentScene, figures, source, controls.toggles, caption);
}
