#pragma once
// What a song's stream reads from: float samples at the file's own rate and
// channel count (one or two), interleaved, in -1..1.
#include <cstddef>
#include <cstdint>

class SongDecoder {
public:
    virtual ~SongDecoder() = default;
    // Fixed for the whole song.
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Decodes up to `maxFrames` frames into `out`; 0 at the end of the
    // song or on an error it cannot play through.
    virtual std::size_t read(float* out, std::size_t maxFrames) = 0;
    // Moves so that the next read() starts at `frame`, counted as read()
    // counts from a fresh open (the priming already trimmed). A frame past
    // the end leaves nothing to read. False when the file cannot be moved
    // in; reading then goes on from where it was, or from near there.
    virtual bool seekTo(std::int64_t frame) = 0;
};
