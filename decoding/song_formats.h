#pragma once
// The names of the files a song list holds, and how each kind is read:
// names ending in "mp3" (as written, the dot optional) through mpg123, and
// .flac, .ogg, .oga, .opus, .m4a, .aac and .wav (any letter case) through
// FFmpeg, each with the one container its name promises.
#include <cstddef>
#include <string_view>

bool isMp3Name(std::string_view name);

// FFmpeg's name of the container a file of this name is read as; nullptr
// for an MP3 or a name of no song.
const char* containerOfName(std::string_view name);

bool isSongName(std::string_view name);

// The kind a song's name promises, with its article, for the user: such as
// "an MP3", "a FLAC" or "an Ogg"; "a song" for a name of no song.
const char* kindOfName(std::string_view name);

// How many characters at the end of the name say its kind: 4 for an MP3
// (".mp3", whether or not the fourth is a dot), the dot and the ending for
// the others; 0 for a name of no song.
std::size_t songEndingLength(std::string_view name);
