#pragma once
#include <string>

extern std::string selectionCaption;  // the name drawn large in the middle

// Where the selection caption goes: a margin of `margin` on each side of the
// text inside a square virtual screen of `side` units, so any name fills
// 1/1.67 of the window's width, centred, baseline on the middle line.
struct CaptionLayout {
    float margin = 0;
    float side = 0;
};
CaptionLayout captionLayout(std::size_t characters);

// Shows the current song as if the screen had started it, without playing
// anything: for drawing the screen into a video of that song.
void showSelectionOfCurrentSong();

// One frame of the song-selection screen: acts on arrow-key steps (each
// starts the newly selected song), draws the song's name and the hint.
void drawSongSelection(float step);
