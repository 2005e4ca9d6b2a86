// Writes one test MP3 for the end-to-end tests.
// Usage: viz_make_test_song OUTPUT SECONDS sine|noise|pulses|silence [HZ]
// (pulses: half a second of noise, half a second of silence, and again)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/mp3_maker.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTPUT SECONDS sine|noise|pulses|silence [HZ]\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const std::string kind = argv[3];
    mp3::Signal signal = mp3::silence();
    if (kind == "sine") signal = mp3::sine(argc > 4 ? std::atof(argv[4]) : 440, 0.5);
    if (kind == "noise") signal = mp3::whiteNoise(0.5);
    if (kind == "pulses") {
        std::vector<mp3::Burst> pulses;
        for (double start = 0; start < seconds; start += 1.0) pulses.push_back({start, start + 0.5});
        signal = mp3::bursts(pulses, mp3::whiteNoise(0.5));
    }
    return mp3::write(argv[1], seconds, signal) ? 0 : 1;
}
