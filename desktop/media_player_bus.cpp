#include "desktop/media_player_bus.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/messages.h"
#include "desktop/session_bus.h"

namespace {
constexpr const char* kName = "org.mpris.MediaPlayer2.viz";
constexpr const char* kPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRoot = "org.mpris.MediaPlayer2";
constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";
// What the desktop reads when there is no song to name.
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr const char* kUnseen = "the desktop's media controls cannot see viz";
// A frame answers at most this many messages; a client flooding the bus
// delays its own answers, not the picture.
constexpr int kMessagesPerFrame = 100;
// The bus's answers to taking and letting go of the name, at start and at
// exit only.
constexpr std::uint64_t kAnswerMicroseconds = 2'000'000;

MediaPlayerBus& owner(void* userdata) { return *static_cast<MediaPlayerBus*>(userdata); }

// D-Bus refuses a whole message over one string that is not UTF-8, and song
// tags and file names often are not: each byte that does not start a valid
// character becomes U+FFFD. Valid means what sd-bus accepts: shortest form,
// no surrogates, no noncharacters.
std::string busText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead == 0) break;  // nothing after a NUL reaches the bus anyway
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length != 0 && i + length <= size;
        for (std::size_t k = 1; valid && k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if (valid) {
            const std::size_t shortest = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
            valid = shortest == length && code < 0x110000 && (code & 0xFFFFF800) != 0xD800 &&
                    !(code >= 0xFDD0 && code <= 0xFDEF) && (code & 0xFFFE) != 0xFFFE;
        }
        if (valid) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

bool isTrackPath(const std::string& id) { return !id.empty() && sd_bus_object_path_is_valid(id.c_str()); }

const char* stateName(PlaybackState state) {
    switch (state) {
        case PlaybackState::Playing: return "Playing";
        case PlaybackState::Paused: return "Paused";
        case PlaybackState::Stopped: break;
    }
    return "Stopped";
}

// a + b without overflowing: a desktop may send any offset.
std::int64_t saturatedSum(std::int64_t a, std::int64_t b) {
    if (b > 0 && a > std::numeric_limits<std::int64_t>::max() - b) return std::numeric_limits<std::int64_t>::max();
    if (b < 0 && a < std::numeric_limits<std::int64_t>::min() - b) return std::numeric_limits<std::int64_t>::min();
    return a + b;
}

// ---- org.mpris.MediaPlayer2

template <bool value>
int getConstant(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<int>(value));
}

int getIdentity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "s", "viz");
}

int getDesktopEntry(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                    sd_bus_error*) {
    return sd_bus_message_append(reply, "s", busText(owner(userdata).entry()).c_str());
}

int getFullscreen(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                  sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<int>(owner(userdata).status().fullscreen));
}

int setFullscreen(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata,
                  sd_bus_error* error) {
    int wanted = 0;
    if (const int code = sd_bus_message_read(value, "b", &wanted); code < 0) return code;
    MediaPlayerBus& player = owner(userdata);
    if (!player.status().canSetFullscreen) {
        return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "viz cannot change fullscreen now");
    }
    player.commands.setFullscreen(wanted != 0);
    return 1;
}

int getCanSetFullscreen(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                        sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<int>(owner(userdata).status().canSetFullscreen));
}

int getUriSchemes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "as", 1, "file");
}

int getMimeTypes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "as", 7, "audio/mpeg", "audio/flac", "audio/ogg", "audio/x-wav",
                                 "audio/mp4", "audio/aac", "audio/opus");
}

int onRaise(sd_bus_message* call, void* userdata, sd_bus_error*) {
    owner(userdata).commands.raise();
    return sd_bus_reply_method_return(call, "");
}

int onQuit(sd_bus_message* call, void* userdata, sd_bus_error*) {
    owner(userdata).commands.quit();
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kRootTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", onRaise, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", onQuit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("CanQuit", "b", getConstant<true>, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanRaise", "b", getConstant<true>, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_WRITABLE_PROPERTY("Fullscreen", "b", getFullscreen, setFullscreen, 0,
                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("CanSetFullscreen", "b", getCanSetFullscreen, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("HasTrackList", "b", getConstant<false>, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Identity", "s", getIdentity, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("DesktopEntry", "s", getDesktopEntry, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", getUriSchemes, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", getMimeTypes, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

// ---- org.mpris.MediaPlayer2.Player

int getPlaybackStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                      sd_bus_error*) {
    return sd_bus_message_append(reply, "s", stateName(owner(userdata).status().state));
}

int getMetadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                sd_bus_error*) {
    const TrackDescription& track = owner(userdata).status().track;
    int code = sd_bus_message_open_container(reply, 'a', "{sv}");
    const char* id = isTrackPath(track.id) ? track.id.c_str() : kNoTrack;
    if (code >= 0) code = sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", id);
    if (code >= 0 && track.lengthUs > 0) {
        code = sd_bus_message_append(reply, "{sv}", "mpris:length", "x", static_cast<int64_t>(track.lengthUs));
    }
    const auto text = [&](const char* key, const std::string& value) {
        if (code >= 0 && !value.empty()) code = sd_bus_message_append(reply, "{sv}", key, "s", busText(value).c_str());
    };
    text("xesam:title", track.title);
    if (code >= 0 && !track.artist.empty()) {
        code = sd_bus_message_append(reply, "{sv}", "xesam:artist", "as", 1, busText(track.artist).c_str());
    }
    text("xesam:album", track.album);
    text("xesam:url", track.url);
    text("mpris:artUrl", track.artUrl);
    if (code >= 0) code = sd_bus_message_close_container(reply);
    return code;
}

int getVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
              sd_bus_error*) {
    return sd_bus_message_append(reply, "d", owner(userdata).status().volume);
}

int setVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata,
              sd_bus_error* error) {
    double volume = 0;
    if (const int code = sd_bus_message_read(value, "d", &volume); code < 0) return code;
    if (std::isnan(volume)) return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "the volume is not a number");
    owner(userdata).commands.setVolume(std::clamp(volume, 0.0, 1.0));
    return 1;
}

int getShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
               sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<int>(owner(userdata).status().shuffle));
}

int setShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata,
               sd_bus_error*) {
    int wanted = 0;
    if (const int code = sd_bus_message_read(value, "b", &wanted); code < 0) return code;
    owner(userdata).commands.setShuffle(wanted != 0);
    return 1;
}

int getLoopStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    // viz goes round its songs for as long as it runs.
    return sd_bus_message_append(reply, "s", "Playlist");
}

int getRate(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "d", 1.0);
}

int getPosition(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                sd_bus_error*) {
    return sd_bus_message_append(reply, "x", static_cast<int64_t>(owner(userdata).commands.positionUs()));
}

int getHasSongs(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<int>(owner(userdata).status().hasSongs));
}

// Next, Previous, Play, Pause and seeking do nothing without songs, as
// their Can* properties tell the desktop.
template <void (PlayerCommands::*command)()>
int onSongCommand(sd_bus_message* call, void* userdata, sd_bus_error*) {
    MediaPlayerBus& player = owner(userdata);
    if (player.status().hasSongs) (player.commands.*command)();
    return sd_bus_reply_method_return(call, "");
}

int onPlayPause(sd_bus_message* call, void* userdata, sd_bus_error*) {
    MediaPlayerBus& player = owner(userdata);
    if (player.status().hasSongs) {
        if (player.status().state == PlaybackState::Playing) {
            player.commands.pause();
        } else {
            player.commands.play();
        }
    }
    return sd_bus_reply_method_return(call, "");
}

int onStop(sd_bus_message* call, void* userdata, sd_bus_error*) {
    owner(userdata).commands.stop();
    return sd_bus_reply_method_return(call, "");
}

int onSeek(sd_bus_message* call, void* userdata, sd_bus_error*) {
    std::int64_t offset = 0;
    if (const int code = sd_bus_message_read(call, "x", &offset); code < 0) return code;
    MediaPlayerBus& player = owner(userdata);
    const PlayerStatus& status = player.status();
    if (status.hasSongs) {
        const std::int64_t target = std::max<std::int64_t>(0, saturatedSum(player.commands.positionUs(), offset));
        // Past the end is the next song; a song of unknown length is left to
        // the player to clamp.
        if (status.track.lengthUs > 0 && target > status.track.lengthUs) {
            player.commands.next();
        } else {
            player.commands.seekTo(target);
        }
    }
    return sd_bus_reply_method_return(call, "");
}

int onSetPosition(sd_bus_message* call, void* userdata, sd_bus_error*) {
    const char* id = nullptr;
    std::int64_t position = 0;
    if (const int code = sd_bus_message_read(call, "ox", &id, &position); code < 0) return code;
    MediaPlayerBus& player = owner(userdata);
    const PlayerStatus& status = player.status();
    // A request meant for a song that has since ended is stale: ignored.
    const bool current = status.hasSongs && isTrackPath(status.track.id) && status.track.id == id;
    const bool inside = position >= 0 && (status.track.lengthUs <= 0 || position <= status.track.lengthUs);
    if (current && inside) player.commands.seekTo(position);
    return sd_bus_reply_method_return(call, "");
}

int onOpenUri(sd_bus_message*, void*, sd_bus_error* error) {
    return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "viz plays the songs of the folders it was given");
}

const sd_bus_vtable kPlayerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Next", "", "", onSongCommand<&PlayerCommands::next>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", onSongCommand<&PlayerCommands::previous>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", onSongCommand<&PlayerCommands::pause>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("PlayPause", "", "", onPlayPause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", onStop, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Play", "", "", onSongCommand<&PlayerCommands::play>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Seek", "x", "", onSeek, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", onSetPosition, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", onOpenUri, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_PROPERTY("PlaybackStatus", "s", getPlaybackStatus, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("LoopStatus", "s", getLoopStatus, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Rate", "d", getRate, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_WRITABLE_PROPERTY("Shuffle", "b", getShuffle, setShuffle, 0,
                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Metadata", "a{sv}", getMetadata, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", getVolume, setVolume, 0,
                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE | SD_BUS_VTABLE_UNPRIVILEGED),
    // Read when asked, never signalled: it moves every microsecond.
    SD_BUS_PROPERTY("Position", "x", getPosition, 0, 0),
    SD_BUS_PROPERTY("MinimumRate", "d", getRate, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("MaximumRate", "d", getRate, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanGoNext", "b", getHasSongs, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanGoPrevious", "b", getHasSongs, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanPlay", "b", getHasSongs, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanPause", "b", getHasSongs, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanSeek", "b", getHasSongs, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanControl", "b", getConstant<true>, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};
}  // namespace

MediaPlayerBus::MediaPlayerBus(PlayerCommands& commands, std::string desktopEntry)
    : commands(commands), desktopEntry(std::move(desktopEntry)) {}

MediaPlayerBus::~MediaPlayerBus() { close(); }

void MediaPlayerBus::close() {
    if (bus == nullptr) return;
    if (named) sd_bus_release_name(bus, kName);
    named = false;
    rootSlot = sd_bus_slot_unref(rootSlot);
    playerSlot = sd_bus_slot_unref(playerSlot);
    bus = sd_bus_flush_close_unref(bus);
}

bool MediaPlayerBus::publish(const PlayerStatus& status) {
    if (bus != nullptr) return true;
    served = status;
    bus = openSessionBus();
    if (bus == nullptr) return false;
    sd_bus_set_method_call_timeout(bus, kAnswerMicroseconds);
    std::string failure;
    int code = sd_bus_add_object_vtable(bus, &rootSlot, kPath, kRoot, kRootTable, this);
    if (code >= 0) code = sd_bus_add_object_vtable(bus, &playerSlot, kPath, kPlayer, kPlayerTable, this);
    if (code < 0) {
        failure = std::string("cannot serve the media player object (") + std::strerror(-code) + ")";
    } else if (code = sd_bus_request_name(bus, kName, 0); code == -EEXIST) {
        failure = std::string(kName) + " is taken by another program on the bus";
    } else if (code < 0) {
        // A bus address that leads nowhere fails here, at the first call.
        sayNoSessionBus(std::strerror(-code));
        close();
        return false;
    }
    if (!failure.empty()) {
        diagnose(failure + ": " + kUnseen);
        close();
        return false;
    }
    named = true;
    return true;
}

void MediaPlayerBus::serve(const PlayerStatus& status) {
    if (bus == nullptr) return;
    for (int handled = 0; handled < kMessagesPerFrame; ++handled) {
        const int code = sd_bus_process(bus, nullptr);
        if (code == 0) break;
        if (code < 0) {
            // The bus went away (the session is ending); the show goes on.
            diagnose(std::string("lost the session bus (") + std::strerror(-code) + "): " + kUnseen);
            named = false;
            close();
            return;
        }
    }
    const PlayerStatus before = served;
    served = status;
    signalChanges(before, served);
}

void MediaPlayerBus::seeked(std::int64_t positionUs) {
    if (bus == nullptr) return;
    sd_bus_emit_signal(bus, kPath, kPlayer, "Seeked", "x", static_cast<int64_t>(positionUs));
}

void MediaPlayerBus::signalChanges(const PlayerStatus& before, const PlayerStatus& now) {
    std::vector<const char*> player;
    if (before.state != now.state) player.push_back("PlaybackStatus");
    if (before.track != now.track) player.push_back("Metadata");
    if (before.volume != now.volume) player.push_back("Volume");
    if (before.shuffle != now.shuffle) player.push_back("Shuffle");
    if (before.hasSongs != now.hasSongs) {
        for (const char* name : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek"}) {
            player.push_back(name);
        }
    }
    std::vector<const char*> root;
    if (before.fullscreen != now.fullscreen) root.push_back("Fullscreen");
    if (before.canSetFullscreen != now.canSetFullscreen) root.push_back("CanSetFullscreen");
    // A signal that cannot be sent is not worth stopping a frame for: the
    // desktop reads the properties again when it next asks.
    if (!player.empty()) {
        player.push_back(nullptr);
        sd_bus_emit_properties_changed_strv(bus, kPath, kPlayer, const_cast<char**>(player.data()));
    }
    if (!root.empty()) {
        root.push_back(nullptr);
        sd_bus_emit_properties_changed_strv(bus, kPath, kRoot, const_cast<char**>(root.data()));
    }
}
