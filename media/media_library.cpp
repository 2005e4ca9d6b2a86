#include "media/media_library.h"

#include "media/media_scanner.h"

std::vector<std::string> songList;

void loadMediaLibrary(const std::string& folder) {
    MediaScanner scanner;
    scanner.scan(folder, "mp3");
    scanner.appendMatchesTo(songList);
    scanner.clearMatches();
}
