#include "audio/playback.h"

bool songHasEnded() { return false; }
void advanceSong() {}
