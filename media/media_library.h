#pragma once
#include <string>
#include <vector>

// Full paths of the MP3 files found under the media folder.
extern std::vector<std::string> songList;

void loadMediaLibrary();
