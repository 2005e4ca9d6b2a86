#pragma once
// The song-selection screen: the picked song's name, large in the middle,
// and a hint along the bottom. The arrow keys step through what drives the
// frames: the songs, each step playing the newly picked one, or what can be
// listened to; a render's song stays.
#include <cstddef>
#include <string>

#include "app/arrow_toggles.h"

class CaptionBanner;
class FrameSource;

// Where the selection caption goes: a margin of `margin` on each side of the
// text inside a square virtual screen of `side` units, so any name fills
// 1/1.67 of the window's width, centred, baseline on the middle line.
struct CaptionLayout {
    float margin = 0;
    float side = 0;
};
CaptionLayout captionLayout(std::size_t characters);

class SongSelection {
public:
    // Before each frame of the screen: steps on the arrows, and names what
    // `source` has picked.
    void follow(FrameSource& source, const ArrowToggles& toggles);
    // The caption and the hint; the hint's banner is the caller's to advance.
    void draw(const CaptionBanner& banner) const;

    std::string selectionCaption;  // the name drawn large in the middle

private:
    bool firstSelectionVisit = true;
    ArrowToggles seen;  // the arrow toggles as the last frame saw them
};
