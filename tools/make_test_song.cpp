// Writes one test MP3 for the end-to-end tests.
// Usage: viz_make_test_song OUTPUT SECONDS sine|noise|pulses|silence [HZ]
//        [--rate R] [--mono] [--no-info-tag] [--free-format] [--junk BYTES]
// (pulses: half a second of noise, half a second of silence, and again;
// --junk: that many bytes of text before the first frame)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/mp3_maker.h"

namespace {
int usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s OUTPUT SECONDS sine|noise|pulses|silence [HZ] [--rate R] [--mono] [--no-info-tag] "
                 "[--free-format] [--junk BYTES]\n",
                 program);
    return 2;
}

mp3::Signal signalOf(const std::string& kind, double seconds, double hz) {
    if (kind == "sine") return mp3::sine(hz, 0.5);
    if (kind == "noise") return mp3::whiteNoise(0.5);
    if (kind == "pulses") {
        std::vector<mp3::Burst> pulses;
        for (double start = 0; start < seconds; start += 1.0) pulses.push_back({start, start + 0.5});
        return mp3::bursts(pulses, mp3::whiteNoise(0.5));
    }
    return mp3::silence();
}

bool prependJunk(const std::string& path, std::size_t bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::vector<unsigned char> song;
    for (int c; (c = std::fgetc(file)) != EOF;) song.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
    const char* text = "not a frame ";
    std::vector<unsigned char> junk;
    while (junk.size() < bytes) junk.push_back(static_cast<unsigned char>(text[junk.size() % std::strlen(text)]));
    junk.insert(junk.end(), song.begin(), song.end());
    return writeBytes(path, junk);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage(argv[0]);
    const double seconds = std::atof(argv[2]);
    const std::string kind = argv[3];
    double hz = 440;
    std::size_t junkBytes = 0;
    mp3::Options options;
    for (int i = 4; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        if (word == "--rate" && hasValue) {
            options.format.sampleRate = std::atoi(argv[++i]);
        } else if (word == "--mono") {
            options.format.channels = 1;
        } else if (word == "--no-info-tag") {
            options.format.infoTag = false;
        } else if (word == "--free-format") {
            options.format.freeFormat = true;
        } else if (word == "--junk" && hasValue) {
            junkBytes = static_cast<std::size_t>(std::atol(argv[++i]));
        } else if (i == 4 && std::atof(argv[i]) > 0) {
            hz = std::atof(argv[i]);
        } else {
            return usage(argv[0]);
        }
    }
    if (!mp3::write(argv[1], seconds, signalOf(kind, seconds, hz), options)) return 1;
    return junkBytes == 0 || prependJunk(argv[1], junkBytes) ? 0 : 1;
}
