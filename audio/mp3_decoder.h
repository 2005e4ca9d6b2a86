#pragma once
// Decodes an MP3 file to float samples at the file's own rate and channel
// count, with encoder delay and padding removed (gapless).
#include <cstddef>
#include <string>

#include "audio/mpg123_file.h"

class Mp3Decoder {
public:
    // Only regular files are opened: a FIFO, device or folder would block or
    // never end. False when the file is not an MP3 that mpg123 can read.
    bool open(const std::string& path);

    int rate() const { return input.rate(); }
    int channels() const { return input.channels(); }

    // Decodes up to `maxFrames` frames of interleaved samples into `out`;
    // returns the frames decoded, 0 at the end of the file or on an error.
    // Samples lie in -1..1: a damaged file may decode to anything, and the
    // speakers and the spectrum get full scale at most, silence for NaN.
    std::size_t read(float* out, std::size_t maxFrames);

private:
    Mpg123File input;
    bool ended = false;  // nothing more will come, whatever mpg123 says next
};
