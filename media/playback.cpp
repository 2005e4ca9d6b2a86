#include "media/playback.h"

#include <sys/stat.h>

#include "base/messages.h"
#include "media/media_scanner.h"

void Playback::loadMediaLibrary(const std::string& folder) {
    MediaScanner scanner;
    scanner.scan(folder);
    scanner.appendMatchesTo(songList);
    scanner.clearMatches();
}

void Playback::loadMediaLibrary(const std::vector<std::string>& places) {
    for (const std::string& place : places) {
        struct stat info {};
        if (stat(place.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            loadMediaLibrary(place);
        } else {
            songList.push_back(place);
        }
    }
}

// "Can't create stream" each time a song cannot be played, and why on
// standard error, the first time for that song.
void Playback::reportUnplayable(const std::string& path, const Problem& why) {
    tellUser("Can't create stream\n");
    if (explained.insert(path).second) diagnose("'" + path + "': " + why.message());
}

void Playback::reportReplacedSongs() {
    std::erase_if(replacedWhileOpening, [this](const ReplacedSong& song) {
        const Stream::State state = song.verdict->state();
        if (state == Stream::State::Unplayable) reportUnplayable(song.path, song.verdict->reason);
        return state != Stream::State::Opening;
    });
}

void Playback::pickSong(unsigned index) {
    currentSongIndex = index;
    playSong(songList[index].c_str());
}

void Playback::playSong(const char* path) {
    refusedInARow = 0;
    startSong(path);
}

void Playback::startSong(const char* path) {
    if (!settleSongStart()) {
        if (Stream::Verdict verdict = engine.verdictOf(streamHandle)) {
            replacedWhileOpening.push_back({std::move(verdict), startedPath});
        }
        songStarting = false;
    }
    if (!engine.initialise()) tellUser("Can't initialize digital sound system");
    engine.start();
    engine.free(streamHandle);
    // The file opens on the stream's own thread and plays once it is open;
    // settleSongStart reports the outcome on a later frame.
    startedPath = path;
    streamHandle = engine.createStream(path);
    playRefused = !engine.play(streamHandle);
    songStarting = true;
    songRefused = false;
}

bool Playback::settleSongStart() {
    reportReplacedSongs();
    if (!songStarting) return true;
    const Stream::State state = engine.openState(streamHandle);
    if (state == Stream::State::Opening) return false;
    songStarting = false;
    if (state == Stream::State::Unplayable) {
        const Stream::Verdict verdict = engine.verdictOf(streamHandle);
        reportUnplayable(startedPath, verdict ? verdict->reason : Problem("the sound engine could not start it"));
        engine.free(streamHandle);
        streamHandle = 0;
        songRefused = true;
        ++refusedInARow;
    } else if (playRefused) {
        tellUser("Can't play stream\n");
    } else {
        songPlaying = true;
        refusedInARow = 0;
    }
    return true;
}

// A song that could not be played ends at once, as a player moves past a
// damaged file; a round of the list without one playable song stops that,
// rather than trying them all again and again.
bool Playback::songHasEnded() const {
    if (songRefused) return refusedInARow < songList.size();
    return songPlaying && !songStarting && !engine.isActive(streamHandle);
}

void Playback::advanceSong() {
    songPlaying = false;
    const std::size_t count = songList.size();
    if (count == 0) return;
    if (currentSongIndex + 1 < count) {
        ++currentSongIndex;
    } else {
        currentSongIndex = 0;
    }
    startSong(songList[currentSongIndex].c_str());
}

Loudness Playback::heard() { return engine.heard(streamHandle); }
