#pragma once
// The window the pictures were composed for: 500 by 500 pixels. The window
// opens at this size, and pointer positions are measured against it (its
// centre, 250, is the still point) whatever size the window has now.
constexpr int kDesignWindowSize = 500;
constexpr float kDesignWindowCentre = kDesignWindowSize / 2.0f;
