#pragma once
// Decodes the other formats of a music collection (FLAC, Ogg Vorbis, Opus,
// AAC, WAV) with FFmpeg's libraries, to float samples at the file's own
// first rate and channel count, at most stereo. The priming and padding
// the container declares are trimmed (Opus pre-skip, an MP4 edit list, Ogg
// granule positions). Should the format change inside the file, what
// follows is converted to the first format, so the song plays on.
#include <cstddef>
#include <cstdint>
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
    // To the sample where the frames carry timestamps (FLAC, WAV, Ogg, MP4):
    // back to a point before it, then decoding drops what comes before.
    bool seekTo(std::int64_t frame) override;

private:
    bool openCodec();
    bool decodeFrame();
    bool receiveFrame();
    bool convertFrame();
    int framesBeforeTarget();
    bool seekBackTo(std::int64_t from, std::int64_t target);
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

    // Where frame 0 of the song is, in the stream's time base: the first
    // frame the decoder gave. Unknown (no timestamps): no seeking.
    std::int64_t firstTimestamp = 0;
    bool firstTimestampKnown = false;
    bool firstFrameSeen = false;
    // After a seek, the song's frame the next read starts at, at the song's
    // rate; -1 once it is reached. `nextStart`: where the next decoded
    // frame begins, for frames without a timestamp of their own.
    std::int64_t seekTarget = -1;
    std::int64_t nextStart = -1;
    bool overshot = false;
};
