#include "audio/playback.h"

#include <cstdio>

#include "audio/sound_engine.h"
#include "media/media_library.h"

std::uint32_t streamHandle = 0;
bool songPlaying = false;
unsigned currentSongIndex = 0;

namespace {
// Flushed at once: standard output is often a pipe or a logger.
void tellUser(const char* message) {
    std::printf("%s", message);
    std::fflush(stdout);
}
}  // namespace

void playSong(const char* path) {
    if (!soundEngine.initialise()) tellUser("Can't initialize digital sound system");
    soundEngine.start();
    soundEngine.free(streamHandle);
    streamHandle = soundEngine.createStream(path);
    if (streamHandle == 0) {
        tellUser("Can't create stream\n");
        return;
    }
    if (!soundEngine.play(streamHandle)) {
        tellUser("Can't play stream\n");
        return;
    }
    songPlaying = true;
}

bool songHasEnded() { return songPlaying && !soundEngine.isActive(streamHandle); }

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
