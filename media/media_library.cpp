#include "media/media_library.h"

#include "app/startup.h"
#include "media/media_scanner.h"

std::vector<std::string> songList;

void loadMediaLibrary() {
    const std::string mediaFolder = programDirectory + "media/";
    MediaScanner scanner;
    scanner.scan(mediaFolder, "mp3");
    scanner.appendMatchesTo(songList);
    scanner.clearMatches();
}
