#pragma once
// The packets of a song of the other kinds (FLAC, Vorbis, Opus, AAC, PCM)
// as its file holds them: what a video copies in as the song's own sound,
// with the codec's set-up and the timing that lines a player's decoding of
// them up with FfmpegDecoder's samples. AAC from a raw .aac file is turned
// into the form containers hold (its ADTS headers become the set-up).
#include <cstdint>
#include <string>
#include <vector>

#include "decoding/ffmpeg_input.h"

struct AVBSFContext;
struct AVCodecParameters;
struct AVPacket;

class SongPackets {
public:
    SongPackets() = default;
    ~SongPackets();
    SongPackets(const SongPackets&) = delete;
    SongPackets& operator=(const SongPackets&) = delete;

    // False when the file is not a song of these kinds with any packet.
    bool open(const std::string& path);

    // The codec and its set-up, for the video's sound track.
    const AVCodecParameters* parameters() const;
    int rate() const;
    int channels() const;
    // Whether an MP4 holds this sound as it is, for players to decode.
    bool fitsMp4() const;
    // Whether a WebM does (it holds Opus and Vorbis alone).
    bool fitsWebm() const;
    // How many samples a decoder gives from the first packet on before the
    // song's first sample (an encoder's priming, as the container says it).
    std::int64_t leadingSamples() const { return leading; }

    // The next packet and the samples it decodes to; false after the last.
    bool next(std::vector<unsigned char>& bytes, int& samples);

private:
    bool readPacket();
    bool takeFiltered();
    bool takeSetUp();

    FfmpegInput input;
    AVBSFContext* adtsToRaw = nullptr;  // only for raw AAC
    AVPacket* packet = nullptr;
    bool havePacket = false;  // `packet` holds the next one
    bool ended = false;
    std::int64_t leading = 0;
};
