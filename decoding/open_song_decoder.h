#pragma once
// The decoder a song's name calls for.
#include <memory>
#include <string>

#include "decoding/song_decoder.h"

// The decoder for `path` by its name: MP3s through mpg123, the other formats
// a song list holds through FFmpeg. nullptr when the file cannot be played.
// `forVideo`: an MP3 ends where its format changes, as its frames copied
// into a video do.
std::unique_ptr<SongDecoder> openSongDecoder(const std::string& path, bool forVideo = false);
