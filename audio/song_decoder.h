#pragma once
// What a song's stream reads from: float samples at the file's own rate and
// channel count (one or two), interleaved, in -1..1.
#include <cstddef>
#include <memory>
#include <string>

class SongDecoder {
public:
    virtual ~SongDecoder() = default;
    // Fixed for the whole song.
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Decodes up to `maxFrames` frames into `out`; 0 at the end of the
    // song or on an error it cannot play through.
    virtual std::size_t read(float* out, std::size_t maxFrames) = 0;
};

// The decoder for `path` by its name: MP3s through mpg123, the other formats
// a song list holds through FFmpeg. nullptr when the file cannot be played.
// `forVideo`: an MP3 ends where its format changes, as its frames copied
// into a video do.
std::unique_ptr<SongDecoder> openSongDecoder(const std::string& path, bool forVideo = false);
