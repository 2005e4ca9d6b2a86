#pragma once
// Test songs in the other formats of a music collection, each made by its
// own encoder from a WAV: flac, oggenc, opusenc, and FFmpeg's AAC encoder.
#include <string>
#include <vector>

#include "tools/mp3_maker.h"

namespace songs {
// The endings of the other kinds, in the order the fuzzer's first byte picks them.
inline constexpr const char* kEndings[] = {".flac", ".ogg", ".oga", ".opus", ".m4a", ".aac", ".wav"};

// 16-bit PCM.
bool writeWav(const std::string& path, double seconds, const mp3::Signal& signal, int rate = 44100,
              int channels = 2);

// `seconds` of `signal` as the kind of file `path` ends in: .wav, .flac,
// .ogg, .oga, .opus, .m4a or .aac; false when the encoder failed.
bool write(const std::string& path, double seconds, const mp3::Signal& signal, int rate = 44100, int channels = 2);

// Damaged and false files of the kind `ending` names, in `folder`: a good
// one cut to nothing, to 40 bytes and to half, with bits flipped every 7, 61
// and 997 bytes, and text under such a name. Their paths; none when the
// encoder failed.
std::vector<std::string> writeHostileCopies(const std::string& folder, const std::string& ending);
}  // namespace songs
