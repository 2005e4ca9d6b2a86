#include "app/song_selection.h"

#include "app/input.h"
#include "audio/listener.h"
#include "media/playback.h"
#include "media/song_names.h"
#include "text/caption_banner.h"
#include "text/code_points.h"
#include "text/stroke_text.h"

namespace {
const char* const kSelectionHint = "( <- or -> to select song)  ( enter to start ) ";
const char* const kNoSongs = "No MP3s found.";
constexpr float kHintSeconds = 3.0f;
}  // namespace

CaptionLayout captionLayout(std::size_t characters) {
    const double width = characters * kStrokeAdvance;
    const double margin = (width * 1.67 - width) * 0.5;
    return {static_cast<float>(margin), static_cast<float>(width + 2 * margin)};
}

void SongSelection::selectSong(Playback& playback, unsigned index) {
    playback.currentSongIndex = index;
    selectionCaption = displayName(playback.songList[index]);
    playback.playSong(playback.songList[index].c_str());
}

// Toggles flipped before the screen was first shown do not count.
void SongSelection::catchUpOnFirstVisit(const Input& input) {
    seenRightToggle = input.rightToggle;
    seenLeftToggle = input.leftToggle;
    firstSelectionVisit = false;
}

void SongSelection::followInput(Playback& playback, const Input& input) {
    if (firstSelectionVisit) {
        catchUpOnFirstVisit(input);
        selectionCaption = kNoSongs;
        if (!playback.songList.empty()) selectSong(playback, 0);
    } else {
        // The caption follows the index, also when a song advanced elsewhere.
        selectionCaption =
            playback.songList.empty() ? kNoSongs : displayName(playback.songList[playback.currentSongIndex]);
    }
    if (input.rightToggle != seenRightToggle && playback.currentSongIndex + 1 < playback.songList.size()) {
        selectSong(playback, playback.currentSongIndex + 1);
    }
    if (input.leftToggle != seenLeftToggle && playback.currentSongIndex > 0) {
        selectSong(playback, playback.currentSongIndex - 1);
    }
    seenRightToggle = input.rightToggle;
    seenLeftToggle = input.leftToggle;
}

void SongSelection::followListening(Listener& listener, const Input& input) {
    if (firstSelectionVisit) catchUpOnFirstVisit(input);
    if (input.rightToggle != seenRightToggle) listener.step(+1);
    if (input.leftToggle != seenLeftToggle) listener.step(-1);
    seenRightToggle = input.rightToggle;
    seenLeftToggle = input.leftToggle;
    selectionCaption = listener.description();
}

void SongSelection::show(const std::string& name) {
    firstSelectionVisit = false;
    selectionCaption = name;
}

void SongSelection::draw(const CaptionBanner& banner) const {
    // A virtual screen of no size has nothing to show.
    if (!selectionCaption.empty()) {
        const CaptionLayout layout = captionLayout(characterCount(selectionCaption));
        drawStrokeText(layout.margin, layout.side * 0.5f, selectionCaption.c_str(), layout.side, layout.side);
    }
    banner.draw(kSelectionHint, kHintSeconds);
}
