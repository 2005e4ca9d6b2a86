#pragma once

// Each scene's frame rate with its figure full, as a ratio to the bare
// frame of the same run; scene 2's canvas against drawing quad by quad;
// and a table of each scene's rate at three window sizes, with and without
// smoothed edges.
void runSceneBenchmarks(double bareFps);
