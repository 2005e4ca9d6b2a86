// libFuzzer target: any bytes, as a file named .mp3, through the path a song
// takes when it opens and decodes (the buffered reader, mpg123, the clamp to
// full scale), a seek back into it, and its tags read. A crash, a sanitizer
// report, a sample outside -1..1 or a decode that never ends is a finding.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "decoding/mp3_decoder.h"
#include "decoding/song_tags.h"

namespace {
std::string scratchFile() {
    char path[] = "/tmp/viz-fuzz-XXXXXX.mp3";
    const int fd = mkstemps(path, 4);
    if (fd < 0) std::abort();
    close(fd);
    return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = scratchFile();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    readSongTags(path);
    Mp3Decoder decoder;
    if (!decoder.open(path)) return 0;
    std::vector<float> samples(4096 * 2);
    std::size_t decoded = 0;
    for (const bool seeked : {false, true}) {
        if (seeked) decoder.seekTo(static_cast<std::int64_t>(decoded / 2));
        std::size_t total = 0;
        while (const std::size_t frames = decoder.read(samples.data(), 4096)) {
            for (std::size_t i = 0; i < frames * decoder.channels(); ++i) {
                if (!std::isfinite(samples[i]) || std::fabs(samples[i]) > 1.0f) std::abort();
            }
            total += frames;
            // An MPEG frame carries at most 1152 samples from at least 24 bytes
            // (8 kbit/s at 8 kHz is 72 bytes); far more than that is a loop.
            if (total > (size / 24 + 16) * 1152) std::abort();
        }
        if (!seeked) decoded = total;
    }
    return 0;
}
