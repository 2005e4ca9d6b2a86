// libFuzzer target: the first byte picks a kind (.flac, .ogg, .oga, .opus,
// .m4a, .aac, .wav), the rest is a file of that name, through the path such
// a song takes when it opens and decodes (the buffered reader, FFmpeg's
// demuxer and decoder, the converter, the clamp to full scale), a seek back
// into it, and its tags read. A crash, a sanitizer report, a sample outside
// -1..1 or a decode that never ends is a finding.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "decoding/open_song_decoder.h"
#include "decoding/song_tags.h"
#include "tools/song_maker.h"

namespace {
std::string scratchFolder() {
    char path[] = "/tmp/viz-fuzz-XXXXXX";
    if (mkdtemp(path) == nullptr) std::abort();
    return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = scratchFolder();
    if (size == 0) return 0;
    const std::string path = folder + "/song" + songs::kEndings[data[0] % std::size(songs::kEndings)];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) std::abort();
    std::fclose(file);

    readSongTags(path);
    const auto decoder = openSongDecoder(path);
    if (!decoder) {
        std::remove(path.c_str());
        return 0;
    }
    std::vector<float> samples(4096 * 2);
    std::size_t decoded = 0;
    for (const bool seeked : {false, true}) {
        if (seeked) decoder->seekTo(static_cast<std::int64_t>(decoded / 2));
        std::size_t total = 0;
        while (const std::size_t frames = decoder->read(samples.data(), 4096)) {
            for (std::size_t i = 0; i < frames * decoder->channels(); ++i) {
                if (!std::isfinite(samples[i]) || std::fabs(samples[i]) > 1.0f) std::abort();
            }
            total += frames;
            // A FLAC frame may hold 65,535 samples in a few bytes; far more
            // than that for every byte is a loop.
            if (total > (size + 16) * 65536) std::abort();
        }
        if (!seeked) decoded = total;
    }
    std::remove(path.c_str());
    return 0;
}
