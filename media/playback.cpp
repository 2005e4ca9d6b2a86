#include "media/playback.h"

#include <cstdio>
#include <vector>

#include "audio/sound_engine.h"
#include "media/media_library.h"

std::uint32_t streamHandle = 0;
bool songPlaying = false;
unsigned currentSongIndex = 0;

namespace {
// The song last started is still being opened: whether it plays is not
// known yet, so it has neither started nor ended.
bool songStarting = false;
// There was no output to play it on.
bool playRefused = false;
// Songs replaced while they were still opening: each is reported once its
// file has been opened or refused.
std::vector<Stream::Verdict> replacedWhileOpening;

// Flushed at once: standard output is often a pipe or a logger.
void tellUser(const char* message) {
    std::printf("%s", message);
    std::fflush(stdout);
}

void reportReplacedSongs() {
    std::erase_if(replacedWhileOpening, [](const Stream::Verdict& verdict) {
        const Stream::State state = verdict->load(std::memory_order_acquire);
        if (state == Stream::State::Unplayable) tellUser("Can't create stream\n");
        return state != Stream::State::Opening;
    });
}
}  // namespace

void playSong(const char* path) {
    if (!settleSongStart()) {
        if (Stream::Verdict verdict = soundEngine.verdictOf(streamHandle)) replacedWhileOpening.push_back(verdict);
        songStarting = false;
    }
    if (!soundEngine.initialise()) tellUser("Can't initialize digital sound system");
    soundEngine.start();
    soundEngine.free(streamHandle);
    // The file opens on the stream's own thread and plays once it is open;
    // settleSongStart reports the outcome on a later frame.
    streamHandle = soundEngine.createStream(path);
    playRefused = !soundEngine.play(streamHandle);
    songStarting = true;
}

bool settleSongStart() {
    reportReplacedSongs();
    if (!songStarting) return true;
    const Stream::State state = soundEngine.openState(streamHandle);
    if (state == Stream::State::Opening) return false;
    songStarting = false;
    if (state == Stream::State::Unplayable) {
        tellUser("Can't create stream\n");
        soundEngine.free(streamHandle);
        streamHandle = 0;
    } else if (playRefused) {
        tellUser("Can't play stream\n");
    } else {
        songPlaying = true;
    }
    return true;
}

bool songHasEnded() {
    return songPlaying && !songStarting && !soundEngine.isActive(streamHandle);
}

void advanceSong() {
    songPlaying = false;
    const std::size_t count = songList.size();
    if (count == 0) return;
    if (currentSongIndex + 1 < count) {
        ++currentSongIndex;
    } else {
        currentSongIndex = 0;
    }
    playSong(songList[currentSongIndex].c_str());
}
