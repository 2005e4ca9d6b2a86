#include "video/mp3_frames.h"

#include <mpg123.h>

#include <algorithm>

namespace {
int samplesOfHeader(unsigned long header) {
    const unsigned long layerBits = (header >> 17) & 3;    // 3: Layer I, 2: II, 1: III
    const unsigned long versionBits = (header >> 19) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    if (layerBits == 3) return 384;
    if (layerBits == 2 || versionBits == 3) return 1152;
    return 576;
}

// The first frame Mp3Decoder gives sound from, how much of it, and the
// song's format. mpg123 skips whole frames of priming unseen and trims
// within the first one it outputs; neither is said outright, so decode
// until the first sample.
struct FirstSound {
    std::int64_t frame = -1;
    std::int64_t samples = 0;
    int rate = 0;
    int channels = 0;
};

FirstSound firstSoundOf(const std::string& path) {
    FirstSound first;
    Mpg123File gapless;
    if (!gapless.open(path, true)) return first;
    // Priming is at most a 12-bit count plus the decoder's delay: a few
    // frames, and a few more for damaged ones that decode to nothing.
    constexpr int kFramesToTry = 64;
    for (int tries = 0; tries < kFramesToTry; ++tries) {
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int status = mpg123_decode_frame(gapless.handle(), &number, &audio, &bytes);
        if (status == MPG123_NEW_FORMAT && gapless.sameFormat()) continue;
        if (status != MPG123_OK) break;
        if (bytes == 0) continue;
        first.frame = number;
        first.samples = static_cast<std::int64_t>(bytes / (sizeof(float) * gapless.channels()));
        first.rate = gapless.rate();
        first.channels = gapless.channels();
        break;
    }
    return first;
}
}  // namespace

bool Mp3Frames::read(Frame& frame) {
    // Opening read the first frame to learn the format: it is current.
    if (firstFrameRead) {
        const int status = mpg123_framebyframe_next(input.handle());
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) return false;
    }
    firstFrameRead = true;
    unsigned char* body = nullptr;
    size_t bodyBytes = 0;
    if (mpg123_framedata(input.handle(), &frame.header, &body, &bodyBytes) != MPG123_OK) return false;
    frame.samples = samplesOfHeader(frame.header);
    frame.bytes.resize(4 + bodyBytes);
    for (int i = 0; i < 4; ++i) frame.bytes[i] = static_cast<unsigned char>(frame.header >> (24 - 8 * i));
    if (bodyBytes > 0) std::copy(body, body + bodyBytes, frame.bytes.begin() + 4);
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(input.handle(), &rate, &channels, &encoding);
    frame.ofTheSong = rate == songRate && channels == songChannels;
    return true;
}

bool Mp3Frames::open(const std::string& path) {
    readAhead.clear();
    firstFrameRead = ended = false;
    const FirstSound first = firstSoundOf(path);
    if (first.frame < 0) return false;
    songRate = first.rate;
    songChannels = first.channels;
    // Without gapless trimming mpg123 hands out every frame, numbered as
    // the decoder numbers them; walk to the first with sound.
    if (!input.open(path, false)) return false;
    Frame frame;
    std::int64_t number = 0;
    for (;; ++number) {
        if (!read(frame)) return false;
        if (number == first.frame) break;
        if (number == first.frame - 1 && frame.ofTheSong) readAhead.push_back(frame);
    }
    if (!frame.ofTheSong) return false;
    leading = std::max<std::int64_t>(frame.samples - first.samples, 0);
    if (!readAhead.empty()) leading += readAhead.front().samples;
    mpegLayer = static_cast<int>(4 - ((frame.header >> 17) & 3));
    noBitrate = ((frame.header >> 12) & 15) == 0;
    readAhead.push_back(std::move(frame));
    return true;
}

bool Mp3Frames::next(std::vector<unsigned char>& frame, int& samples) {
    if (!readAhead.empty()) {
        frame = std::move(readAhead.front().bytes);
        samples = readAhead.front().samples;
        readAhead.pop_front();
        return true;
    }
    Frame read;
    // A different format ends the song for the decoder, and so here.
    if (ended || !this->read(read) || !read.ofTheSong) {
        ended = true;
        return false;
    }
    frame = std::move(read.bytes);
    samples = read.samples;
    return true;
}
