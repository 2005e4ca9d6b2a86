#include "platform/window_input.h"

#include <utility>

#include "base/geometry.h"

void WindowInput::pointerMovedTo(int x, int y) {
    if (!pointerSeen) {
        previousMouseX = static_cast<float>(x);
        previousMouseY = static_cast<float>(y);
        pointerSeen = true;
    }
    mouseX = static_cast<float>(x);
    mouseY = static_cast<float>(y);
    windowToScene(mouseX, mouseY, mousePoint);
    mouseDrag.x += previousMouseX - mouseX;
    mouseDrag.y += previousMouseY - mouseY;
    previousMouseX = mouseX;
    previousMouseY = mouseY;
}

std::vector<WindowEvent> WindowInput::takeEvents() { return std::exchange(events, {}); }
