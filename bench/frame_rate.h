#pragma once
#include <functional>
#include <string>

// Frames per second of `drawFrame` followed by a buffer swap, over `seconds`.
double measureFramesPerSecond(const std::function<void()>& drawFrame, double seconds);

// One result line: the rate and its ratio to the bare frame of the same run.
void reportFrameRate(const std::string& name, double fps, double bareFps);
