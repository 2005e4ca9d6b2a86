#pragma once

// Main-thread time of a song change over 1,000 changes among good songs and
// hostile files, and the cost of starting a song against the size of its tag.
void runSongChangeBenchmarks(const char* demoFolder);
