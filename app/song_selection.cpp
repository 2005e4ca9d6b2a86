#include "app/song_selection.h"

#include "app/input.h"
#include "media/playback.h"
#include "media/media_library.h"
#include "media/song_names.h"
#include "text/caption_banner.h"
#include "text/stroke_text.h"

std::string selectionCaption;

namespace {
const char* const kSelectionHint = "( <- or -> to select song)  ( enter to start ) ";
bool firstSelectionVisit = true;
bool seenLeftToggle = false;  // the arrow toggles as the last frame saw them
bool seenRightToggle = false;
const char* const kNoSongs = "No MP3s found.";
constexpr float kHintSeconds = 3.0f;

void selectSong(unsigned index) {
    currentSongIndex = index;
    selectionCaption = displayName(songList[index]);
    playSong(songList[index].c_str());
}

void followCurrentSong() {
    if (firstSelectionVisit) {
        // Toggles flipped before the screen was first shown do not count.
        seenRightToggle = rightToggle;
        seenLeftToggle = leftToggle;
        selectionCaption = kNoSongs;
        firstSelectionVisit = false;
        if (!songList.empty()) selectSong(0);
        return;
    }
    // The caption follows the index, also when a song advanced elsewhere.
    selectionCaption = songList.empty() ? kNoSongs : displayName(songList[currentSongIndex]);
}

void stepOnArrowKeys() {
    if (rightToggle != seenRightToggle && currentSongIndex + 1 < songList.size()) {
        selectSong(currentSongIndex + 1);
    }
    if (leftToggle != seenLeftToggle && currentSongIndex > 0) {
        selectSong(currentSongIndex - 1);
    }
}

void drawCaption() {
    if (selectionCaption.empty()) return;  // a virtual screen of no size has nothing to show
    const CaptionLayout layout = captionLayout(selectionCaption.size());
    drawStrokeText(layout.margin, layout.side * 0.5f, selectionCaption.c_str(), layout.side,
                   layout.side);
}
}  // namespace

void showSelectionOfCurrentSong() {
    seenRightToggle = rightToggle;
    seenLeftToggle = leftToggle;
    firstSelectionVisit = false;
    selectionCaption = songList.empty() ? kNoSongs : displayName(songList[currentSongIndex]);
}

CaptionLayout captionLayout(std::size_t characters) {
    const double width = characters * kStrokeAdvance;
    const double margin = (width * 1.67 - width) * 0.5;
    return {static_cast<float>(margin), static_cast<float>(width + 2 * margin)};
}

void drawSongSelection(float step) {
    followCurrentSong();
    stepOnArrowKeys();
    drawCaption();
    seenRightToggle = rightToggle;
    seenLeftToggle = leftToggle;
    captionBanner.draw(kSelectionHint, step, kHintSeconds);
}
