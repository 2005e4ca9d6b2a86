#include "decoding/mp3_decoder.h"

#include <mpg123.h>

#include <cstdio>

#include "base/full_scale.h"

bool Mp3Decoder::open(const std::string& path, FormatChange change) {
    ended = false;
    scanned = false;
    length = -1;
    problem = {};
    if (!input.open(path, true)) {
        problem = input.why();
        return false;
    }
    if (change == FormatChange::EndsTheSong) return true;
    // Only the first frame's format comes out: should the rate or the
    // channels change inside the file, mpg123 converts what follows to it.
    mpg123_format_none(input.handle());
    if (mpg123_format(input.handle(), input.rate(), input.channels() == 1 ? MPG123_MONO : MPG123_STEREO,
                      MPG123_ENC_FLOAT_32) != MPG123_OK) {
        problem = "mpg123 cannot convert its sound";
        return false;
    }
    return true;
}

std::size_t Mp3Decoder::read(float* out, std::size_t maxFrames) {
    if (input.handle() == nullptr || ended) return 0;
    const int channelCount = input.channels();
    const std::size_t frameBytes = sizeof(float) * channelCount;
    std::size_t total = 0;
    // mpg123 may return fewer bytes than asked (a frame boundary, a format
    // note); keep going until the request is full or the file ends.
    while (total < maxFrames) {
        size_t bytes = 0;
        const int status =
            mpg123_read(input.handle(), out + total * channelCount, (maxFrames - total) * frameBytes, &bytes);
        keepInFullScale(out + total * channelCount, bytes / sizeof(float));
        total += bytes / frameBytes;
        if (status == MPG123_NEW_FORMAT && input.sameFormat()) continue;
        if (status != MPG123_OK || bytes == 0) {
            // The end, an error, or a format we can't follow: the song ends here.
            ended = true;
            break;
        }
    }
    return total;
}

bool Mp3Decoder::seekTo(std::int64_t frame) {
    if (input.handle() == nullptr || frame < 0) return false;
    // Every frame's place, found once: later seeks jump straight there, and
    // the length is known, where mpg123 would otherwise walk frame by frame
    // towards a place past the end.
    if (!scanned) {
        scanned = true;
        if (mpg123_scan(input.handle()) == MPG123_OK) length = mpg123_length(input.handle());
    }
    if (length >= 0 && frame >= length) {
        ended = true;
        return true;
    }
    // With gapless on, mpg123 counts samples as read() gives them.
    const off_t at = mpg123_seek(input.handle(), static_cast<off_t>(frame), SEEK_SET);
    if (at < 0) return false;
    ended = false;
    return true;
}
