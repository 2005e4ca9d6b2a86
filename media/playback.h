#pragma once
// The songs and the one that plays: the list found in the media folder, the
// song picked, its stream on the sound engine, and whether it has started.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "analysis/loudness.h"
#include "output/sound_engine.h"
#include "output/stream.h"

class Playback {
public:
    explicit Playback(SoundEngine& engine) : engine(engine) {}

    // Fills songList with the songs under `folder`, at any depth.
    void loadMediaLibrary(const std::string& folder);
    // The same for each of `places` in turn; a place that is not a folder is
    // taken as one song, in the order given.
    void loadMediaLibrary(const std::vector<std::string>& places);

    // Picks song `index` of the list and starts it, as playSong does.
    void pickSong(unsigned index);

    // Starts the file at `path` at once, `startSeconds` into it, cutting off
    // whatever played before. The file is opened in the background: the song
    // counts as playing, or is reported as unplayable, from the
    // settleSongStart that finds it open.
    void playSong(const char* path, double startSeconds = 0);

    // Once per frame, first: settles the song last started as playing, or
    // tells the user it can't be played, and opens the song to follow it.
    // True once nothing is left to settle.
    bool settleSongStart();

    // True once the playing song has played to its end, or could not be
    // played at all, unless a whole round of the list could not.
    bool songHasEnded() const;

    // Whether the songs follow each other by themselves now (not on the
    // title or the selection screen): only then is the next song queued to
    // follow without a gap, and one queued before is let go.
    void followOn(bool allowed);

    // Goes on to the song after the current one, the first after the last:
    // at once when the output has already gone on to it without a gap,
    // otherwise by starting it.
    void advanceSong();

    // The user's own steps through the list, wrapping at both ends; heard as
    // soon as the output allows.
    void nextSong();
    void previousSong();

    // Nothing is heard, the pictures see silence and the song does not end
    // until resume, which plays on from the sample after the last heard.
    void pause();
    void resume();
    bool paused() const { return pausedByUser; }
    // A song was started and neither ended nor was refused (it may still be opening).
    bool songStarted() const { return songPlaying || songStarting; }

    // Plays the current song from `seconds` into it.
    void seek(double seconds);
    // Seconds into the current song heard now.
    double positionSeconds() const;

    // The spectrum and loudness of the song as heard now; silence while paused.
    Loudness heard();

    std::vector<std::string> songList;  // full paths of the songs found
    unsigned currentSongIndex = 0;      // the song picked or playing, in songList
    std::uint32_t streamHandle = 0;     // the stream created last; 0 when none
    bool songPlaying = false;           // a song was started and has not been advanced past

private:
    void reportUnplayable(const std::string& path, const Problem& why);
    void reportReplacedSongs();

    SoundEngine& engine;
    void startSong(const char* path, double startSeconds = 0);
    unsigned indexAfter(unsigned index) const;
    void queueFollowingSong();
    bool takeUpQueuedSong(unsigned index);

    bool pausedByUser = false;
    bool followingAllowed = true;

    // The song last started is still being opened: whether it plays is not
    // known yet, so it has neither started nor ended.
    bool songStarting = false;
    // There was no output to play it on.
    bool playRefused = false;
    // The song last started could not be played; so many in a row since the
    // user last picked one (a round of them stops the advance).
    bool songRefused = false;
    std::size_t refusedInARow = 0;
    std::string startedPath;  // the song last started
    // Songs replaced while they were still opening: each is reported once
    // its file has been opened or refused.
    struct ReplacedSong {
        Stream::Verdict verdict;
        std::string path;
    };
    std::vector<ReplacedSong> replacedWhileOpening;
    std::set<std::string> explained;  // songs whose reason the user was told
};
