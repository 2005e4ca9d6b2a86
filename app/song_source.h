#pragma once
// The frames of songs playing: the songs found, the one that plays on the
// sound engine, and the clock. Songs follow each other by themselves
// outside the menus; on the selection screen the arrows pick them.
#include <cstdint>
#include <string>
#include <vector>

#include "app/frame_source.h"
#include "app/live_clock.h"
#include "media/playback.h"
#include "media/song_order.h"
#include "output/sound_engine.h"

class SongSource : public FrameSource {
public:
    // Finds the songs in `places` (folders and songs), or in `musicFolder`
    // when none is named, and opens the sound output: before the first
    // frame, so finding it never holds one up.
    void open(const std::vector<std::string>& places, const std::string& musicFolder,
              SongOrder order = SongOrder::Folder);
    // Where the first song starts, in seconds.
    double firstStartSeconds = 0;

    Frame nextFrame(bool menuShown) override;
    void keepGoing(bool menuShown) override;
    void beginSelection() override;
    void step(int direction) override;
    std::string selectionName() const override;
    bool takeAdvance(std::string& songName) override;
    bool soundGoing() const override { return playback.songPlaying && !playback.paused(); }
    void togglePause() override;

    // Shuffled, or back in the order asked for (the folders' own, for a
    // shuffle asked for); the song playing stays the current one.
    void setShuffled(bool shuffle);
    bool shuffled() const { return order == SongOrder::Shuffle; }

    SoundEngine engine;
    Playback playback{engine};
    LiveClock clock;

private:
    void advanceEndedSong(bool menuShown);

    bool advanced = false;  // a song was advanced to since the caption last asked
    std::vector<std::string> songsAsFound;  // in the folders' own order
    SongOrder order = SongOrder::Folder;
    SongOrder orderAsked = SongOrder::Folder;
    std::uint32_t shuffleSeed = 0;
};
