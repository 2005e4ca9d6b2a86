#include "decoding/mpg123_file.h"

#include <mpg123.h>

namespace {
bool libraryReady() {
    // Needed once per process by older mpg123 versions; harmless on newer ones.
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

// Whether the file begins with an ID3v2 tag small enough to read whole:
// mpg123 takes a tag into memory at the size its header claims.
bool frontTagReadable(BufferedFile& file) {
    unsigned char header[10] = {};
    const bool read = file.read(header, sizeof header) == static_cast<ssize_t>(sizeof header);
    file.seek(0, SEEK_SET);
    if (!read || header[0] != 'I' || header[1] != 'D' || header[2] != '3') return false;
    long size = 0;
    for (int i = 6; i < 10; ++i) {
        if ((header[i] & 0x80) != 0) return false;  // not a tag's size
        size = size << 7 | header[i];
    }
    return size <= Mpg123File::kMostTagBytes;
}
}  // namespace

Mpg123File::~Mpg123File() { close(); }

void Mpg123File::close() {
    if (mpg123 != nullptr) {
        mpg123_close(mpg123);
        mpg123_delete(mpg123);
        mpg123 = nullptr;
    }
    file.close();
}

bool Mpg123File::open(const std::string& path, bool gapless, Tags tags) {
    close();
    problem = {};
    if (!file.open(path)) {
        problem = file.why();
        return false;
    }
    if (libraryReady()) mpg123 = mpg123_new(nullptr, nullptr);
    if (mpg123 == nullptr) {
        problem = "the MP3 decoder (mpg123) would not start";
        close();
        return false;
    }
    // Tags are skipped unread unless asked for: a picture of hundreds of
    // megabytes would otherwise be read into memory whole.
    const bool readTag = tags == Tags::Read && frontTagReadable(file);
    mpg123_param(mpg123, MPG123_ADD_FLAGS,
                 MPG123_QUIET | MPG123_FORCE_FLOAT | (readTag ? MPG123_PICTURE : MPG123_SKIP_ID3V2), 0);
    mpg123_param(mpg123, gapless ? MPG123_ADD_FLAGS : MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);

    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_replace_reader_handle(mpg123, &BufferedFile::readHandle, &BufferedFile::seekHandle, nullptr) !=
            MPG123_OK ||
        mpg123_open_handle(mpg123, &file) != MPG123_OK ||
        mpg123_getformat(mpg123, &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_FLOAT_32 ||
        rate <= 0 || channels < 1 || channels > 2) {
        problem = "not an MP3 file";
        close();
        return false;
    }
    sampleRate = static_cast<int>(rate);
    channelCount = channels;
    return true;
}

bool Mpg123File::sameFormat() const {
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(mpg123, &rate, &channels, &encoding);
    return rate == sampleRate && channels == channelCount && encoding == MPG123_ENC_FLOAT_32;
}
