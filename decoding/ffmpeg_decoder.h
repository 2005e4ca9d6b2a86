#pragma once
// Decodes the other formats of a music collection (FLAC, Ogg Vorbis, Opus,
// AAC, WAV) with FFmpeg's libraries, to float samples at the file's own
// first rate and channel count, at most stereo. The priming and padding
// the container declares are trimmed (Opus pre-skip, an MP4 edit list, Ogg
// granule positions). Should the format change inside the file, what
// follows is converted to the first format, so the song plays on.
#include <cstddef>
#include <string>
#include <vector>

#include "decoding/ffmpeg_input.h"
#include "decoding/song_decoder.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

class FfmpegDecoder : public SongDecoder {
public:
    FfmpegDecoder() = default;
    ~FfmpegDecoder() override;
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    // `container`: FFmpeg's name of the demuxer the file must be read with.
    // False when the file is not such a file with sound FFmpeg can decode.
    bool open(const std::string& path, const char* container);
    // Why open() failed, for the user.
    const Problem& why() const { return problem; }

    int rate() const override { return outputRate; }
    int channels() const override { return outputChannels; }
    std::size_t read(float* out, std::size_t maxFrames) override;

private:
    bool openCodec();
    bool decodeFrame();
    bool receiveFrame();
    bool convertFrame();
    bool matchConverterToFrame();
    void convert(const unsigned char** input, int inputFrames);
    void flushConverter();
    void close();

    FfmpegInput input;
    AVCodecContext* codec = nullptr;
    SwrContext* converter = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int outputRate = 0;
    int outputChannels = 0;
    // What the converter was set up for; a frame unlike it sets it up anew.
    int convertedRate = 0;
    int convertedFormat = -1;
    std::string convertedLayout;
    Problem problem;
    bool draining = false;  // the file has ended; the decoder gives up what it holds
    bool ended = false;

    std::vector<float> pending;  // converted, not yet read
};
