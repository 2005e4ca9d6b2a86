#pragma once
// The decoder a song's name calls for.
#include <memory>
#include <string>

#include "base/problem.h"
#include "decoding/song_decoder.h"

// The decoder for `path` by its name: MP3s through mpg123, the other formats
// a song list holds through FFmpeg. nullptr when the file cannot be played,
// and then `why`, if given, says why in the user's words ("not a FLAC
// file", "permission denied"). `forVideo`: an MP3 ends where its format
// changes, as its frames copied into a video do.
std::unique_ptr<SongDecoder> openSongDecoder(const std::string& path, bool forVideo = false, Problem* why = nullptr);
