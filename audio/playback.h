#pragma once

// True once the playing song has played to its end.
bool songHasEnded();

// Starts the song after the current one, the first after the last.
void advanceSong();
