#pragma once
// A song encoded once, for a video whose container cannot hold the song's
// own sound: to AAC for an MP4 (FLAC, Vorbis or PCM), to Opus for a WebM
// (anything but Opus and Vorbis). The samples the song's decoder gives, as
// live playback plays them, go through FFmpeg's encoder packet by packet,
// with the encoder's priming to skip; Opus takes 48 kHz alone, so other
// rates are resampled to it first.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoding/song_decoder.h"

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct SwrContext;

class SoundEncoding {
public:
    enum class Codec { Aac, Opus };

    SoundEncoding() = default;
    ~SoundEncoding();
    SoundEncoding(const SoundEncoding&) = delete;
    SoundEncoding& operator=(const SoundEncoding&) = delete;

    // False when the song gives no sound or the codec cannot carry it.
    bool open(const std::string& path, Codec codec = Codec::Aac);

    const AVCodecParameters* parameters() const { return setUp; }
    // The encoded sound's rate, which may not be the song's.
    int rate() const;
    int channels() const;
    // The encoder's priming: samples a decoder gives before the song's first.
    std::int64_t leadingSamples() const;

    // The next packet and the samples it decodes to; false after the last.
    bool next(std::vector<unsigned char>& bytes, int& samples);

private:
    bool feedEncoder();
    // Up to a frame's worth of the song's samples, at the encoder's rate,
    // interleaved into `interleaved`; 0 at the end.
    std::size_t readSamples();

    std::unique_ptr<SongDecoder> decoder;
    AVCodecContext* encoder = nullptr;
    AVCodecParameters* setUp = nullptr;
    SwrContext* resampler = nullptr;  // only where the rates differ
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<float> interleaved;
    std::vector<float> songSamples;  // read from the song, for the resampler
    bool songEnded = false;
    bool flushed = false;
};
