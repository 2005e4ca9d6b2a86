#include "app/controls.h"

#include "text/caption_banner.h"

namespace {
constexpr unsigned char kEnter = 13;
constexpr unsigned char kEscape = 27;
}  // namespace

void Controls::apply(const WindowEvent& event, CaptionBanner& banner) {
    switch (event.kind) {
        case WindowEvent::Kind::KeyDown:
            if (const int scene = sceneOfKey(event.key); scene >= 0) {
                currentScene = scene;
            } else if (event.key == 'q') {
                quitAsked = true;
            } else if (event.key == '0' || event.key == '9') {
                currentScene = kShaderScene;
                shaderSteps += event.key == '0' ? 1 : -1;
            } else if (event.key == 'f') {
                fullscreenAsk = FullscreenAsk::Toggle;
            } else if (event.key == kEscape) {
                fullscreenAsk = FullscreenAsk::Leave;
            } else if (event.key == ' ') {
                pauseToggleAsked = true;
            }
            break;
        case WindowEvent::Kind::F11Down:
            fullscreenAsk = FullscreenAsk::Toggle;
            break;
        case WindowEvent::Kind::KeyUp:
            // Enter acts on release, so one press is exactly one step.
            if (event.key != kEnter) break;
            if (currentScene == kTitleScene) {
                banner.reset();  // the selection hint types out from its start
                currentScene = kSelectionScene;
            } else if (currentScene == kSelectionScene) {
                currentScene = 0;
            }
            break;
        // Flipped at every release; the selection screen acts on a change.
        case WindowEvent::Kind::LeftArrowUp:
            toggles.left = !toggles.left;
            break;
        case WindowEvent::Kind::RightArrowUp:
            toggles.right = !toggles.right;
            break;
        case WindowEvent::Kind::ButtonUp:
            if (!isMenuScene(currentScene)) currentScene = sceneAfterClick(currentScene);
            break;
    }
}
