#pragma once
#include <string>
#include <vector>

// Full paths of the MP3 files found under the media folder.
extern std::vector<std::string> songList;

// Fills songList from `folder`, or from the media folder beside the program
// when it is empty.
void loadMediaLibrary(const std::string& folder = "");
