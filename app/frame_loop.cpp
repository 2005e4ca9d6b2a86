#include "app/frame_loop.h"

#include "app/scene_table.h"

void FrameLoop::takeInput(WindowInput& input) {
    for (const WindowEvent& event : input.takeEvents()) controls.apply(event, figures.banner);
    if (controls.quitAsked) WindowLoop::leave();
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
