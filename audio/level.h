#pragma once

// Loudness of the current frame, from the spectrum of what is heard.
extern float level;

void computeLevel();
