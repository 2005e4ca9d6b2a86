#pragma once
// What the user's keys and clicks mean: the scene shown, the arrows'
// toggles the selection screen follows, and quitting.
#include "app/arrow_toggles.h"
#include "app/scene_table.h"
#include "platform/window_input.h"

class CaptionBanner;

struct Controls {
    // Acts on one of the window's events, in the order they came. Enter on
    // the title starts `banner` (the selection's hint) from its beginning.
    void apply(const WindowEvent& event, CaptionBanner& banner);

    int currentScene = kTitleScene;
    ArrowToggles toggles;
    bool quitAsked = false;  // `q` was pressed
    // `f` or F11 toggle fullscreen, Escape leaves it; the frame loop acts on
    // the last asked and clears it.
    enum class FullscreenAsk { Nothing, Toggle, Leave };
    FullscreenAsk fullscreenAsk = FullscreenAsk::Nothing;
    // Shader scenes to step: `0` one forward, `9` one back; the frame loop
    // takes them.
    int shaderSteps = 0;
    // Space pressed: pause, or play on; the frame loop takes it.
    bool pauseToggleAsked = false;
};
