#pragma once
// The player as the desktop sees it: org.mpris.MediaPlayer2.viz on the
// session bus, which media keys, the desktop's media controls, the lock
// screen and playerctl all drive. It runs on the frame loop's thread: each
// frame, `serve` answers what was asked without waiting, and signals every
// property that changed since the frame before.
#include <cstdint>
#include <string>

struct sd_bus;
struct sd_bus_slot;

enum class PlaybackState { Stopped, Playing, Paused };

// One song as the desktop shows it; empty strings are left out.
struct TrackDescription {
    std::string id;  // a D-Bus object path, unique for the song in this run
    std::int64_t lengthUs = 0;  // 0 when unknown
    std::string title;
    std::string artist;
    std::string album;
    std::string url;     // file:// URL of the song
    std::string artUrl;  // file:// URL of its cover art, if it has one
    bool operator==(const TrackDescription&) const = default;
};

// What the player is doing, as of this frame.
struct PlayerStatus {
    PlaybackState state = PlaybackState::Stopped;
    TrackDescription track;
    double volume = 1.0;
    bool shuffle = false;
    bool fullscreen = false;
    bool canSetFullscreen = false;
    bool hasSongs = false;  // Next, Previous, Play and seeking can act
    bool operator==(const PlayerStatus&) const = default;
};

// What the desktop asks of the player; the program carries it out. Called
// from within `serve`, on the frame loop's thread.
class PlayerCommands {
public:
    virtual ~PlayerCommands() = default;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    // To `positionUs` into the current song (already clamped to it).
    virtual void seekTo(std::int64_t positionUs) = 0;
    // Where the song is heard now, microseconds from its start.
    virtual std::int64_t positionUs() = 0;
    virtual void setVolume(double volume) = 0;
    virtual void setShuffle(bool shuffle) = 0;
    virtual void setFullscreen(bool fullscreen) = 0;
    virtual void raise() = 0;
    virtual void quit() = 0;
};

class MediaPlayerBus {
public:
    // `desktopEntry`: the menu entry's id, without ".desktop".
    MediaPlayerBus(PlayerCommands& commands, std::string desktopEntry);
    ~MediaPlayerBus();
    MediaPlayerBus(const MediaPlayerBus&) = delete;
    MediaPlayerBus& operator=(const MediaPlayerBus&) = delete;

    // Connects to the session bus and takes the name, starting from
    // `status`. Without a bus, or with the name taken, one line on standard
    // error says so, and false.
    bool publish(const PlayerStatus& status);
    // Each frame: answers the calls waiting, then emits PropertiesChanged for
    // what differs from the status last served. Never waits.
    void serve(const PlayerStatus& status);
    // The position jumped (a seek, by the desktop or by the user): the Seeked signal.
    void seeked(std::int64_t positionUs);
    bool published() const { return bus != nullptr; }

    // For the vtable's callbacks.
    PlayerCommands& commands;
    const PlayerStatus& status() const { return served; }
    const std::string& entry() const { return desktopEntry; }

private:
    void signalChanges(const PlayerStatus& before, const PlayerStatus& now);
    // Lets go of the name and the connection; published() is false after.
    void close();

    std::string desktopEntry;
    sd_bus* bus = nullptr;
    sd_bus_slot* rootSlot = nullptr;
    sd_bus_slot* playerSlot = nullptr;
    bool named = false;
    PlayerStatus served;
};
