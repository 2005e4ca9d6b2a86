// Synthesises the three demo songs (drums, bass and chords, with loud and
// quiet passages so every scene has something to react to) and encodes them
// to MP3. Usage: make_demo_songs OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mp3_writer.h"

namespace {
constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Song {
    std::string name;
    double bpm;
    int bars;
    std::vector<int> roots;        // one MIDI root note per bar, cycled
    std::vector<int> loudBars;     // bars [first, last) pairs with full drums and chords
    double swing;
};

double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

// Deterministic white noise, so every build makes the same songs.
class Noise {
public:
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 2147483648.0f - 1.0f;
    }

private:
    std::uint32_t state = 0x9e3779b9u;
};

bool isLoudBar(const Song& song, int bar) {
    for (std::size_t i = 0; i + 1 < song.loudBars.size(); i += 2) {
        if (bar >= song.loudBars[i] && bar < song.loudBars[i + 1]) return true;
    }
    return false;
}

// Adds `voice(t)` for t in [0, length) seconds at `start`, to both channels
// with a pan from -1 (left) to 1 (right).
template <typename Voice>
void addVoice(std::vector<float>& mix, double start, double length, double pan, Voice voice) {
    const long first = static_cast<long>(start * kRate);
    const long count = static_cast<long>(length * kRate);
    const float left = static_cast<float>(std::sqrt((1 - pan) / 2));
    const float right = static_cast<float>(std::sqrt((1 + pan) / 2));
    for (long i = 0; i < count; ++i) {
        const long frame = first + i;
        if (frame < 0 || 2 * frame + 1 >= static_cast<long>(mix.size())) break;
        const float sample = voice(static_cast<double>(i) / kRate);
        mix[2 * frame] += sample * left;
        mix[2 * frame + 1] += sample * right;
    }
}

void addKick(std::vector<float>& mix, double at, float gain) {
    addVoice(mix, at, 0.35, 0, [gain, phase = 0.0](double t) mutable {
        phase += 2 * kPi * (45 + 110 * std::exp(-t * 30)) / kRate;
        return gain * static_cast<float>(std::sin(phase) * std::exp(-t * 9));
    });
}

void addSnare(std::vector<float>& mix, double at, float gain, Noise& noise) {
    addVoice(mix, at, 0.25, 0.1, [gain, &noise](double t) {
        const double body = std::sin(2 * kPi * 185 * t) * std::exp(-t * 30);
        return gain * static_cast<float>(0.5 * body + 0.6 * noise.next() * std::exp(-t * 18));
    });
}

void addHat(std::vector<float>& mix, double at, float gain, double decay, Noise& noise) {
    addVoice(mix, at, 0.25, -0.4, [gain, decay, &noise, last = 0.0f](double t) mutable {
        const float white = noise.next();
        const float high = white - last;  // a first difference: only the hiss
        last = white;
        return gain * high * static_cast<float>(std::exp(-t * decay));
    });
}

void addBass(std::vector<float>& mix, double at, double length, double hz, float gain) {
    addVoice(mix, at, length, 0, [=](double t) {
        const double envelope = std::min(1.0, t * 200) * std::exp(-t * 2.5);
        return gain * static_cast<float>(std::tanh(2.5 * std::sin(2 * kPi * hz * t)) * envelope);
    });
}

void addChord(std::vector<float>& mix, double at, double length, int root, bool minor,
              float gain) {
    const int third = minor ? 3 : 4;
    for (int interval : {0, third, 7, 12}) {
        const double hz = midiToHz(root + 12 + interval);
        const double pan = interval == 0 ? -0.5 : (interval == 7 ? 0.5 : 0.0);
        addVoice(mix, at, length, pan, [=, low = 0.0](double t) mutable {
            // A soft sawtooth through a one-pole low-pass, swelling in and out.
            const double saw = 2 * std::fmod(hz * t, 1.0) - 1;
            low += 0.2 * (saw - low);
            const double envelope = std::min(1.0, t * 4) * std::min(1.0, (length - t) * 6);
            return gain * 0.25f * static_cast<float>(low * envelope);
        });
    }
}

std::vector<float> renderSong(const Song& song) {
    const double beat = 60.0 / song.bpm;
    const double bar = 4 * beat;
    const double seconds = song.bars * bar + 1.5;
    std::vector<float> mix(2 * static_cast<std::size_t>(seconds * kRate), 0.0f);
    Noise noise;

    for (int b = 0; b < song.bars; ++b) {
        const double start = b * bar;
        const int root = song.roots[b % song.roots.size()];
        const bool loud = isLoudBar(song, b);
        const bool minor = (root % 12) == 9 || (root % 12) == 4 || (root % 12) == 2;

        addChord(mix, start, bar, root, minor, loud ? 1.0f : 0.45f);
        for (int step = 0; step < 8; ++step) {
            const double at = start + step * beat / 2 + (step % 2 ? song.swing * beat : 0);
            const bool offBeat = step % 2 == 1;
            addHat(mix, at, loud ? 0.8f : 0.25f, loud && offBeat ? 14 : 45, noise);
            if (step % 2 == 0) addBass(mix, at, beat * 0.9, midiToHz(root - 12), loud ? 0.5f : 0.2f);
        }
        if (!loud) continue;
        for (int k = 0; k < 4; ++k) {
            addKick(mix, start + k * beat, 0.9f);
            if (k % 2 == 1) addSnare(mix, start + k * beat, 0.55f, noise);
        }
    }

    // Master it like a record: normalise, then a soft limiter for loudness.
    float peak = 0;
    for (float sample : mix) peak = std::max(peak, std::fabs(sample));
    if (peak > 0) {
        for (float& sample : mix) sample = 0.92f * std::tanh(2.5f * sample / peak) / std::tanh(2.5f);
    }
    return mix;
}

const std::vector<Song> kSongs = {
    {"Night Drive", 112, 16, {45, 41, 48, 43}, {4, 8, 12, 16}, 0.0},
    {"Paper Lanterns", 96, 14, {48, 45, 41, 43}, {2, 6, 10, 14}, 0.08},
    {"Glass Tide", 128, 20, {50, 46, 41, 48}, {0, 4, 8, 12, 16, 20}, 0.0},
};
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    for (const Song& song : kSongs) {
        const std::vector<unsigned char> mp3 = encodeMp3(renderSong(song), Mp3Format{});
        const std::string path = folder + "/" + song.name + ".mp3";
        if (mp3.empty() || !writeBytes(path, mp3)) {
            std::fprintf(stderr, "make_demo_songs: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
