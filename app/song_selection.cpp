#include "app/song_selection.h"

#include "app/frame_source.h"
#include "text/caption_banner.h"
#include "text/code_points.h"
#include "text/stroke_text.h"

namespace {
const char* const kSelectionHint = "( <- or -> to select song)  ( enter to start ) ";
constexpr float kHintSeconds = 3.0f;
}  // namespace

CaptionLayout captionLayout(std::size_t characters) {
    const double width = characters * kStrokeAdvance;
    const double margin = (width * 1.67 - width) * 0.5;
    return {static_cast<float>(margin), static_cast<float>(width + 2 * margin)};
}

void SongSelection::follow(FrameSource& source, const ArrowToggles& toggles) {
    if (firstSelectionVisit) {
        seen = toggles;  // toggles flipped before the screen was first shown do not count
        firstSelectionVisit = false;
        source.beginSelection();
    }
    if (toggles.right != seen.right) source.step(+1);
    if (toggles.left != seen.left) source.step(-1);
    seen = toggles;
    // The caption follows the pick, also when a song advanced elsewhere.
    selectionCaption = source.selectionName();
}

void SongSelection::draw(const CaptionBanner& banner) const {
    // A virtual screen of no size has nothing to show.
    if (!selectionCaption.empty()) {
        const CaptionLayout layout = captionLayout(characterCount(selectionCaption));
        drawStrokeText(layout.margin, layout.side * 0.5f, selectionCaption.c_str(), layout.side, layout.side);
    }
    banner.draw(kSelectionHint, kHintSeconds);
}
