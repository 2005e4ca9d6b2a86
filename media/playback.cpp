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

void Playback::playSong(const char* path, double startSeconds) {
    refusedInARow = 0;
    // A song the user starts while paused plays: they asked for it.
    pausedByUser = false;
    startSong(path, startSeconds);
}

void Playback::startSong(const char* path, double startSeconds) {
    if (!settleSongStart()) {
        if (Stream::Verdict verdict = engine.verdictOf(streamHandle)) {
            replacedWhileOpening.push_back({std::move(verdict), startedPath});
        }
        songStarting = false;
    }
    if (!engine.initialise()) tellUser("Can't initialize digital sound system");
    if (!pausedByUser) engine.start();
    engine.free(streamHandle);
    // The file opens on the stream's own thread and plays once it is open;
    // settleSongStart reports the outcome on a later frame.
    startedPath = path;
    streamHandle = engine.createStream(path, startSeconds);
    playRefused = !engine.play(streamHandle);
    songStarting = true;
    songRefused = false;
}

bool Playback::settleSongStart() {
    reportReplacedSongs();
    queueFollowingSong();
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
    if (pausedByUser) return false;
    if (songRefused) return refusedInARow < songList.size();
    return songPlaying && !songStarting && !engine.isActive(streamHandle);
}

unsigned Playback::indexAfter(unsigned index) const {
    return index + 1 < songList.size() ? index + 1 : 0;
}

// While a song plays, the one after it is opened and decoded ahead, so the
// output goes on to it without a gap. A list reordered meanwhile (shuffle
// switched) queues the new one after.
void Playback::queueFollowingSong() {
    if (!followingAllowed || !songPlaying || songStarting || songList.empty()) return;
    const std::string& following = songList[indexAfter(currentSongIndex)];
    if (engine.nextQueued() != following && !engine.nextHasBegun()) engine.queueNext(following);
}

void Playback::followOn(bool allowed) {
    followingAllowed = allowed;
    if (!allowed && !engine.nextQueued().empty()) engine.dropNext();
}

bool Playback::takeUpQueuedSong(unsigned index) {
    if (engine.nextQueued() != songList[index] || !engine.nextHasBegun()) return false;
    startedPath = songList[index];
    streamHandle = engine.takeUpNext();
    // Settled as any song started: it is open and heard already.
    songStarting = true;
    songRefused = false;
    playRefused = false;
    return true;
}

void Playback::advanceSong() {
    songPlaying = false;
    if (songList.empty()) return;
    currentSongIndex = indexAfter(currentSongIndex);
    if (takeUpQueuedSong(currentSongIndex)) {
        settleSongStart();
        return;
    }
    startSong(songList[currentSongIndex].c_str());
}

void Playback::nextSong() {
    if (!songList.empty()) pickSong(indexAfter(currentSongIndex));
}

void Playback::previousSong() {
    if (songList.empty()) return;
    pickSong(currentSongIndex > 0 ? currentSongIndex - 1 : static_cast<unsigned>(songList.size() - 1));
}

void Playback::pause() {
    if (!songPlaying && !songStarting) return;
    pausedByUser = true;
    engine.pause();
}

void Playback::resume() {
    if (!pausedByUser) return;
    pausedByUser = false;
    engine.start();
}

// A paused song stays paused at its new place.
void Playback::seek(double seconds) {
    if (startedPath.empty()) return;
    refusedInARow = 0;
    const std::string path = startedPath;
    startSong(path.c_str(), seconds);
}

double Playback::positionSeconds() const { return engine.heardSeconds(streamHandle); }

Loudness Playback::heard() { return engine.heard(pausedByUser ? 0 : streamHandle); }
