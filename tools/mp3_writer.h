#pragma once
// Encodes PCM to MP3 with libmp3lame: the demo songs and the test files are
// real MP3s made by a real encoder.
#include <string>
#include <vector>

struct Mp3Format {
    int sampleRate = 44100;
    int channels = 2;     // 1 or 2
    bool vbr = false;     // VBR at quality 4, otherwise CBR at `kbps`
    int kbps = 128;
    bool infoTag = true;     // the LAME info frame with the exact length
    bool freeFormat = false;  // no bitrate in the headers (at `kbps`)
};

// `pcm` holds interleaved samples in -1..1, `channels` per frame. With
// `infoTag`, the result starts with a LAME info frame, so decoders know the
// exact length (encoder delay and padding included).
std::vector<unsigned char> encodeMp3(const std::vector<float>& pcm, const Mp3Format& format);

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
