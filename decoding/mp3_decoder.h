#pragma once
// Decodes an MP3 file to float samples at the rate and channel count of its
// first frame, with encoder delay and padding removed (gapless).
#include <cstddef>
#include <string>

#include "decoding/mpg123_file.h"
#include "decoding/song_decoder.h"

class Mp3Decoder : public SongDecoder {
public:
    // What happens where the rate or the channels change inside the file.
    enum class FormatChange {
        IsConverted,  // to the first frame's format by mpg123: the song plays on
        EndsTheSong,  // as a video's copied frames end there
    };

    // Only regular files are opened: a FIFO, device or folder would block or
    // never end. False when the file is not an MP3 that mpg123 can read,
    // with why() telling the user why.
    bool open(const std::string& path, FormatChange change = FormatChange::IsConverted);
    const Problem& why() const { return problem; }

    int rate() const override { return input.rate(); }
    int channels() const override { return input.channels(); }

    // Decodes up to `maxFrames` frames of interleaved samples into `out`;
    // returns the frames decoded, 0 at the end of the file or on an error.
    // Samples lie in -1..1: a damaged file may decode to anything, and the
    // speakers and the spectrum get full scale at most, silence for NaN.
    std::size_t read(float* out, std::size_t maxFrames) override;
    // To the sample: mpg123 decodes from the frame before and drops the rest.
    bool seekTo(std::int64_t frame) override;

private:
    Problem problem;
    Mpg123File input;
    bool ended = false;  // nothing more will come, whatever mpg123 says next
    bool scanned = false;
    std::int64_t length = -1;  // in frames, once scanned; -1 unknown
};
