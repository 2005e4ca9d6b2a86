#include "decoding/song_formats.h"

#include <strings.h>

#include <array>

namespace {
struct Ending {
    std::string_view ending;  // with its dot
    const char* container;
    const char* kind;  // for the user, with its article
};

// Ogg holds Vorbis, Opus and FLAC alike; .aac is raw ADTS.
constexpr std::array<Ending, 7> kEndings{{{".flac", "flac", "a FLAC"},
                                          {".ogg", "ogg", "an Ogg"},
                                          {".oga", "ogg", "an Ogg"},
                                          {".opus", "ogg", "an Opus"},
                                          {".m4a", "mp4", "an M4A"},
                                          {".aac", "aac", "an AAC"},
                                          {".wav", "wav", "a WAV"}}};

const Ending* endingOf(std::string_view name) {
    for (const Ending& ending : kEndings) {
        if (name.size() > ending.ending.size() &&
            strncasecmp(name.data() + name.size() - ending.ending.size(), ending.ending.data(),
                        ending.ending.size()) == 0) {
            return &ending;
        }
    }
    return nullptr;
}
}  // namespace

bool isMp3Name(std::string_view name) { return name.size() >= 3 && name.substr(name.size() - 3) == "mp3"; }

const char* containerOfName(std::string_view name) {
    if (isMp3Name(name)) return nullptr;
    const Ending* ending = endingOf(name);
    return ending != nullptr ? ending->container : nullptr;
}

bool isSongName(std::string_view name) { return isMp3Name(name) || endingOf(name) != nullptr; }

const char* kindOfName(std::string_view name) {
    if (isMp3Name(name)) return "an MP3";
    const Ending* ending = endingOf(name);
    return ending != nullptr ? ending->kind : "a song";
}

std::size_t songEndingLength(std::string_view name) {
    if (isMp3Name(name)) return 4;
    const Ending* ending = endingOf(name);
    return ending != nullptr ? ending->ending.size() : 0;
}
