#include "app/desktop_player.h"

#include <GL/freeglut.h>

#include <chrono>
#include <cmath>

#include "media/cover_art_file.h"
#include "media/song_names.h"
#include "platform/fullscreen.h"
#include "platform/window_loop.h"

namespace {
// The menu entry that starts viz, as installed.
constexpr const char* kDesktopEntry = "io.github.vizteam.viz";

// A file:// URL of an absolute path, with what a URL cannot hold escaped.
std::string fileUrl(const std::string& path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string full = resolved;
    free(resolved);
    return full;
}
}  // namespace

DesktopPlayer::DesktopPlayer(SongSource& songs) : songs(songs), bus(*this, kDesktopEntry) {}

void DesktopPlayer::publish() { bus.publish(status()); }

void DesktopPlayer::serve() {
    if (bus.published()) bus.serve(status());
}

std::string DesktopPlayer::trackId(const std::string& path) {
    const auto [entry, added] = trackNumbers.try_emplace(path, static_cast<int>(trackNumbers.size()));
    return "/io/github/vizteam/viz/track/" + std::to_string(entry->second);
}

// The file's name until its tags are read; then theirs, where it has them.
// Built once per song and again when its tags arrive, not every frame.
TrackDescription DesktopPlayer::track(const std::string& path) {
    if (path != taggedPath) {
        taggedPath = path;
        described = describe(path, SongTags{}, "");
        tagsReading = std::async(std::launch::async, [path] {
            ReadTags read{readSongTags(path), ""};
            read.artPath = coverArtFile(read.tags.art);
            return read;
        });
    }
    if (tagsReading.valid() && tagsReading.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        const ReadTags read = tagsReading.get();
        described = describe(path, read.tags, read.artPath);
    }
    return described;
}

TrackDescription DesktopPlayer::describe(const std::string& path, const SongTags& tags, const std::string& artPath) {
    TrackDescription song;
    song.id = trackId(path);
    song.title = tags.title.empty() ? displayName(path) : tags.title;
    song.artist = tags.artist;
    song.album = tags.album;
    song.lengthUs = static_cast<std::int64_t>(std::llround(tags.seconds * 1e6));
    song.url = fileUrl(absolute(path));
    if (!artPath.empty()) song.artUrl = fileUrl(artPath);
    return song;
}

PlayerStatus DesktopPlayer::status() {
    const Playback& playback = songs.playback;
    PlayerStatus now;
    now.hasSongs = !playback.songList.empty();
    if (now.hasSongs && (playback.songStarted() || playback.paused())) {
        now.state = stopped ? PlaybackState::Stopped : playback.paused() ? PlaybackState::Paused : PlaybackState::Playing;
        now.track = track(playback.songList[playback.currentSongIndex]);
    }
    now.volume = songs.engine.volume();
    now.shuffle = songs.shuffled();
    now.fullscreen = fullscreenNow();
    now.canSetFullscreen = fullscreenAllowed;
    return now;
}

void DesktopPlayer::play() {
    stopped = false;
    if (songs.playback.paused()) {
        songs.playback.resume();
    } else if (!songs.playback.songPlaying) {
        songs.beginSelection();
    }
}

void DesktopPlayer::pause() { songs.playback.pause(); }

// Stopped is paused at the song's start, where Play goes on from.
void DesktopPlayer::stop() {
    if (!songs.playback.songPlaying && !songs.playback.paused()) return;
    songs.playback.pause();
    songs.playback.seek(0);
    stopped = true;
}

void DesktopPlayer::next() {
    stopped = false;
    songs.playback.nextSong();
}

void DesktopPlayer::previous() {
    stopped = false;
    songs.playback.previousSong();
}

void DesktopPlayer::seekTo(std::int64_t positionUs) {
    songs.playback.seek(static_cast<double>(positionUs) / 1e6);
    bus.seeked(positionUs);
}

std::int64_t DesktopPlayer::positionUs() {
    return static_cast<std::int64_t>(std::llround(songs.playback.positionSeconds() * 1e6));
}

void DesktopPlayer::setVolume(double volume) { songs.engine.setVolume(volume); }

void DesktopPlayer::setShuffle(bool shuffle) { songs.setShuffled(shuffle); }

void DesktopPlayer::setFullscreen(bool fullscreen) {
    if (fullscreenAllowed) ::setFullscreen(fullscreen);
}

void DesktopPlayer::raise() {
    glutShowWindow();
    glutPopWindow();
}

void DesktopPlayer::quit() { WindowLoop::leave(); }
