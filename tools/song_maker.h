#pragma once
// Test songs in the other formats of a music collection, each made by its
// own encoder from a WAV: flac, oggenc, opusenc, and FFmpeg's AAC encoder.
#include <string>

#include "tools/mp3_maker.h"

namespace songs {
// 16-bit PCM.
bool writeWav(const std::string& path, double seconds, const mp3::Signal& signal, int rate = 44100,
              int channels = 2);

// `seconds` of `signal` as the kind of file `path` ends in: .wav, .flac,
// .ogg, .oga, .opus, .m4a or .aac; false when the encoder failed.
bool write(const std::string& path, double seconds, const mp3::Signal& signal, int rate = 44100, int channels = 2);
}  // namespace songs
