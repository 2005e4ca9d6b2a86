#pragma once
// The songs playing, as the desktop's media controls see and steer them:
// the bus service's commands carried out on the song source and the window,
// and each frame's status for it. Tags and cover art are read on a thread
// of their own, so a song with a huge tag never holds a frame up.
#include <cstdint>
#include <future>
#include <map>
#include <string>

#include "app/song_source.h"
#include "decoding/song_tags.h"
#include "desktop/media_player_bus.h"

class DesktopPlayer : public PlayerCommands {
public:
    explicit DesktopPlayer(SongSource& songs);

    // Takes the player's name on the session bus; one line on standard
    // error when it cannot.
    void publish();
    // Each frame: what the desktop asked is done, and what changed is told.
    void serve();

    void play() override;
    void pause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void seekTo(std::int64_t positionUs) override;
    std::int64_t positionUs() override;
    void setVolume(double volume) override;
    void setShuffle(bool shuffle) override;
    void setFullscreen(bool fullscreen) override;
    void raise() override;
    void quit() override;

    // False on the desktop's background, which is never fullscreen.
    bool fullscreenAllowed = true;

private:
    PlayerStatus status();
    TrackDescription track(const std::string& path);
    TrackDescription describe(const std::string& path, const SongTags& tags, const std::string& artPath);
    std::string trackId(const std::string& path);

    SongSource& songs;
    MediaPlayerBus bus;
    // The song last asked about, its tags and cover read in the background.
    struct ReadTags {
        SongTags tags;
        std::string artPath;  // the cover written to the cache, "" for none
    };
    std::string taggedPath;
    std::future<ReadTags> tagsReading;
    TrackDescription described;
    std::map<std::string, int> trackNumbers;  // one id per song for the run
    bool stopped = false;  // Stop was asked: paused at the song's start
};
