#pragma once
// mpg123 reading one regular file through the buffered reader, as float
// samples with ID3v2 tags skipped unread: the set-up the decoder and the
// frame reader share, so both see the same frames of a file.
#include <string>

#include "base/problem.h"
#include "decoding/buffered_file.h"

struct mpg123_handle_struct;

class Mpg123File {
public:
    Mpg123File() = default;
    ~Mpg123File();
    Mpg123File(const Mpg123File&) = delete;
    Mpg123File& operator=(const Mpg123File&) = delete;

    // Gapless: the encoder's priming and padding are trimmed from the
    // output. False when the file is not an MP3 that mpg123 can read, with
    // why() telling the user why.
    // `tags`: Read keeps the ID3 tags, pictures too, for mpg123_id3 (only a
    // tag at the very start, of at most kMostTagBytes; any other is skipped).
    enum class Tags { Skipped, Read };
    static constexpr long kMostTagBytes = 32L << 20;
    bool open(const std::string& path, bool gapless, Tags tags = Tags::Skipped);
    const Problem& why() const { return problem; }
    void close();

    mpg123_handle_struct* handle() const { return mpg123; }
    // The format of the first frame.
    int rate() const { return sampleRate; }
    int channels() const { return channelCount; }
    // Whether mpg123 now gives the same format as the first frame had.
    bool sameFormat() const;

private:
    Problem problem;
    mpg123_handle_struct* mpg123 = nullptr;
    BufferedFile file;
    int sampleRate = 0;
    int channelCount = 0;
};
