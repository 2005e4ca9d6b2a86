#pragma once
// The frames of an MP3 as mpg123 decodes them, byte for byte: what a video
// copies in as a song's own sound. Junk, tags and the encoder's info frame
// are left out, as mpg123 leaves them out; the frames start one before the
// first that Mp3Decoder gives sound from (its bytes may hold the start of
// that one's data) and stop where the decoder's song stops, at a change of
// format. With them, the timing that lines a player's decoding of the frames
// up with Mp3Decoder's samples.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "decoding/mpg123_file.h"

class Mp3Frames {
public:
    // False when the file is not an MP3 that mpg123 gives sound from.
    bool open(const std::string& path);

    // The song's format, as Mp3Decoder gives it.
    int rate() const { return songRate; }
    int channels() const { return songChannels; }
    int layer() const { return mpegLayer; }  // 1, 2 or 3
    // A stream without a bitrate in its headers, which mpg123 follows and
    // most other decoders do not.
    bool freeFormat() const { return noBitrate; }
    // How many samples a decoder gives from the first frame on before the
    // song's first sample: the encoder's priming and the decoder's own
    // delay, as mpg123 trims them.
    std::int64_t leadingSamples() const { return leading; }

    // The next frame, header included, and the samples it decodes to (a
    // damaged file may mix layers); false after the last.
    bool next(std::vector<unsigned char>& frame, int& samples);

private:
    struct Frame {
        std::vector<unsigned char> bytes;
        unsigned long header = 0;
        int samples = 0;
        bool ofTheSong = false;  // in the song's format
    };
    bool read(Frame& frame);

    Mpg123File input;  // without gapless trimming: every frame comes out
    int songRate = 0;
    int songChannels = 0;
    int mpegLayer = 0;
    bool noBitrate = false;
    std::int64_t leading = 0;
    std::deque<Frame> readAhead;  // read by open, not handed out yet
    bool firstFrameRead = false;
    bool ended = false;
};
