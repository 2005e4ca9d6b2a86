#include "audio/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>

namespace {
void keepInFullScale(float* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const float s = samples[i];
        samples[i] = std::isfinite(s) ? std::clamp(s, -1.0f, 1.0f) : 0.0f;
    }
}
}  // namespace

bool Mp3Decoder::open(const std::string& path) {
    ended = false;
    return input.open(path, true);
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
