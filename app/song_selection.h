#pragma once
// The song-selection screen: the picked song's name, large in the middle,
// and a hint along the bottom. Live, the arrow keys step through the songs,
// each step playing the newly picked one; listening, through what can be
// listened to.
#include <cstddef>
#include <string>

class CaptionBanner;
class Listener;
class Playback;
struct Input;

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
    // Live, before each frame of the screen: follows the playing song, and
    // steps on the arrow keys.
    void followInput(Playback& playback, const Input& input);
    // Listening, before each frame of the screen: names what is listened
    // to, and steps to another source on the arrow keys.
    void followListening(Listener& listener, const Input& input);
    // Shows `name` as picked, playing nothing: for a video of that song.
    void show(const std::string& name);
    // The caption and the hint; the hint's banner is the caller's to advance.
    void draw(const CaptionBanner& banner) const;

    std::string selectionCaption;  // the name drawn large in the middle

private:
    void selectSong(Playback& playback, unsigned index);
    void catchUpOnFirstVisit(const Input& input);

    bool firstSelectionVisit = true;
    bool seenLeftToggle = false;  // the arrow toggles as the last frame saw them
    bool seenRightToggle = false;
};
