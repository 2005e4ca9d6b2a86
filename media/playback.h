#pragma once
#include <cstdint>

extern std::uint32_t streamHandle;  // the stream created last; 0 when none
extern bool songPlaying;            // a song was started and has not been advanced past
extern unsigned currentSongIndex;   // the song picked or playing, in songList

// Starts the file at `path` at once, cutting off whatever played before.
// The file is opened in the background: the song counts as playing, or is
// reported as unplayable, from the settleSongStart that finds it open.
void playSong(const char* path);

// Once per frame, first: settles the song last started as playing, or tells
// the user it can't be played. True once nothing is left to settle.
bool settleSongStart();

// True once the playing song has played to its end.
bool songHasEnded();

// Starts the song after the current one, the first after the last.
void advanceSong();
