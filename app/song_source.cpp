#include "app/song_source.h"

#include <random>

#include "media/song_names.h"

namespace {
const char* const kNoSongs = "No MP3s found.";
}  // namespace

void SongSource::open(const std::vector<std::string>& places, const std::string& musicFolder, SongOrder order) {
    if (places.empty()) {
        playback.loadMediaLibrary(musicFolder);
    } else {
        playback.loadMediaLibrary(places);
    }
    // A shuffle of its own each run, kept for the run.
    orderSongs(playback.songList, order, std::random_device{}());
    engine.open();
}

void SongSource::advanceEndedSong(bool menuShown) {
    if (menuShown || !playback.songHasEnded()) return;
    playback.advanceSong();
    advanced = true;
}

Frame SongSource::nextFrame(bool menuShown) {
    playback.settleSongStart();
    advanceEndedSong(menuShown);
    Frame frame;
    frame.heard = playback.heard();
    frame.level = frame.heard.level;
    clock.read();
    frame.frameTime = clock.frameTime;
    frame.frameDelta = clock.frameDelta;
    return frame;
}

void SongSource::keepGoing(bool menuShown) {
    playback.settleSongStart();
    advanceEndedSong(menuShown);
    clock.pause();
}

void SongSource::beginSelection() {
    if (!playback.songList.empty()) playback.pickSong(0);
}

// No wrapping: the first and the last song are ends.
void SongSource::step(int direction) {
    const unsigned index = playback.currentSongIndex;
    if (direction > 0 && index + 1 < playback.songList.size()) playback.pickSong(index + 1);
    if (direction < 0 && index > 0) playback.pickSong(index - 1);
}

std::string SongSource::selectionName() const {
    if (playback.songList.empty()) return kNoSongs;
    return displayName(playback.songList[playback.currentSongIndex]);
}

bool SongSource::takeAdvance(std::string& songName) {
    if (!advanced) return false;
    advanced = false;
    // Only reached after a song played, so the index names one.
    if (playback.currentSongIndex >= playback.songList.size()) return false;
    songName = displayName(playback.songList[playback.currentSongIndex]);
    return true;
}
