#pragma once
#include <cstdint>

extern std::uint32_t streamHandle;  // the stream created last; 0 when none
extern bool songPlaying;            // a song was started and has not been advanced past
extern unsigned currentSongIndex;   // the song picked or playing, in songList

// Starts the file at `path` at once, cutting off whatever played before.
void playSong(const char* path);

// True once the playing song has played to its end.
bool songHasEnded();

// Starts the song after the current one, the first after the last.
void advanceSong();
