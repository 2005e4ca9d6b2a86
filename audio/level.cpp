#include "audio/level.h"

float level = 1;

void computeLevel() { level = 0; }
