#pragma once
#include <string>
#include <vector>

// Full paths of the MP3 files found under the media folder.
extern std::vector<std::string> songList;

// Fills songList with the MP3 files under `folder`, at any depth.
void loadMediaLibrary(const std::string& folder);
