#pragma once
// A song encoded once to AAC, for a video whose container cannot hold the
// song's own sound (FLAC, Vorbis or PCM in an MP4): the samples the song's
// decoder gives, as live playback plays them, through FFmpeg's AAC encoder,
// packet by packet, with the encoder's priming to skip.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoding/song_decoder.h"

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

class AacEncoding {
public:
    AacEncoding() = default;
    ~AacEncoding();
    AacEncoding(const AacEncoding&) = delete;
    AacEncoding& operator=(const AacEncoding&) = delete;

    // False when the song gives no sound or AAC cannot carry its rate.
    bool open(const std::string& path);

    const AVCodecParameters* parameters() const { return setUp; }
    int rate() const;
    int channels() const;
    // The encoder's priming: samples a decoder gives before the song's first.
    std::int64_t leadingSamples() const;

    // The next packet and the samples it decodes to; false after the last.
    bool next(std::vector<unsigned char>& bytes, int& samples);

private:
    bool feedEncoder();

    std::unique_ptr<SongDecoder> decoder;
    AVCodecContext* encoder = nullptr;
    AVCodecParameters* setUp = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<float> interleaved;
    bool flushed = false;
};
