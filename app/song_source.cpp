#include "app/song_source.h"

#include <random>

#include "media/song_names.h"

namespace {
const char* const kNoSongs = "No MP3s found.";
}  // namespace

void SongSource::open(const std::vector<std::string>& places, const std::string& musicFolder, SongOrder asked) {
    if (places.empty()) {
        playback.loadMediaLibrary(musicFolder);
    } else {
        playback.loadMediaLibrary(places);
    }
    songsAsFound = playback.songList;
    // A shuffle of its own each run, kept for the run.
    shuffleSeed = std::random_device{}();
    orderAsked = order = asked;
    orderSongs(playback.songList, order, shuffleSeed);
    engine.open();
}

void SongSource::setShuffled(bool shuffle) {
    const SongOrder wanted = shuffle ? SongOrder::Shuffle : orderAsked == SongOrder::Shuffle ? SongOrder::Folder : orderAsked;
    if (wanted == order || playback.songList.empty()) return;
    order = wanted;
    const std::string current = playback.songList[playback.currentSongIndex];
    playback.songList = songsAsFound;
    orderSongs(playback.songList, order, shuffleSeed);
    for (unsigned i = 0; i < playback.songList.size(); ++i) {
        if (playback.songList[i] == current) playback.currentSongIndex = i;
    }
}

void SongSource::togglePause() {
    if (playback.paused()) {
        playback.resume();
    } else {
        playback.pause();
    }
}

void SongSource::advanceEndedSong(bool menuShown) {
    if (menuShown || !playback.songHasEnded()) return;
    playback.advanceSong();
    advanced = true;
}

Frame SongSource::nextFrame(bool menuShown) {
    playback.followOn(!menuShown);
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
    playback.followOn(!menuShown);
    playback.settleSongStart();
    advanceEndedSong(menuShown);
    clock.pause();
}

void SongSource::beginSelection() {
    if (playback.songList.empty()) return;
    playback.currentSongIndex = 0;
    playback.playSong(playback.songList[0].c_str(), firstStartSeconds);
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
