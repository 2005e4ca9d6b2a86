#include "audio/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>

namespace {
bool libraryReady() {
    // Needed once per process by older mpg123 versions; harmless on newer ones.
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

void keepInFullScale(float* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const float s = samples[i];
        samples[i] = std::isfinite(s) ? std::clamp(s, -1.0f, 1.0f) : 0.0f;
    }
}
}  // namespace

Mp3Decoder::~Mp3Decoder() { close(); }

void Mp3Decoder::close() {
    if (handle != nullptr) {
        mpg123_close(handle);
        mpg123_delete(handle);
        handle = nullptr;
    }
    file.close();
}

bool Mp3Decoder::open(const std::string& path) {
    close();
    ended = false;
    if (!libraryReady()) return false;
    if (!file.open(path)) return false;

    handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr) return false;
    // Tags are skipped unread: a picture of hundreds of megabytes would
    // otherwise be read into memory whole.
    mpg123_param(handle, MPG123_ADD_FLAGS,
                 MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT | MPG123_SKIP_ID3V2, 0);

    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_replace_reader_handle(handle, &BufferedFile::readHandle, &BufferedFile::seekHandle,
                                     nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, &file) != MPG123_OK ||
        mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK ||
        encoding != MPG123_ENC_FLOAT_32 || rate <= 0 || channels < 1 || channels > 2) {
        close();
        return false;
    }
    sampleRate = static_cast<int>(rate);
    channelCount = channels;
    return true;
}

bool Mp3Decoder::sameFormat() {
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(handle, &rate, &channels, &encoding);
    return rate == sampleRate && channels == channelCount && encoding == MPG123_ENC_FLOAT_32;
}

std::size_t Mp3Decoder::read(float* out, std::size_t maxFrames) {
    if (handle == nullptr || ended) return 0;
    const std::size_t frameBytes = sizeof(float) * channelCount;
    std::size_t total = 0;
    // mpg123 may return fewer bytes than asked (a frame boundary, a format
    // note); keep going until the request is full or the file ends.
    while (total < maxFrames) {
        size_t bytes = 0;
        const int status = mpg123_read(handle, out + total * channelCount,
                                       (maxFrames - total) * frameBytes, &bytes);
        keepInFullScale(out + total * channelCount, bytes / sizeof(float));
        total += bytes / frameBytes;
        if (status == MPG123_NEW_FORMAT && sameFormat()) continue;
        if (status != MPG123_OK || bytes == 0) {
            // The end, an error, or a format we can't follow: the song ends here.
            ended = true;
            break;
        }
    }
    return total;
}
