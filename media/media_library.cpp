#include "media/media_library.h"

std::vector<std::string> songList;

void loadMediaLibrary() {}
