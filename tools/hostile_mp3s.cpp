#include "tools/hostile_mp3s.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>

#include "tools/mp3_maker.h"

namespace mp3 {
namespace {
using Bytes = std::vector<unsigned char>;

// --- real songs to damage ---------------------------------------------------

Bytes encode(double seconds, const Mp3Format& format) {
    // A tone over noise: every band carries something, so damage shows.
    auto noise = whiteNoise(0.2, 5);
    const auto frames = static_cast<std::size_t>(seconds * format.sampleRate);
    std::vector<float> pcm(frames * format.channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / format.sampleRate;
        const float sample = static_cast<float>(0.4 * std::sin(2 * M_PI * 440 * t)) + noise(t);
        for (int c = 0; c < format.channels; ++c) pcm[i * format.channels + c] = sample;
    }
    return encodeMp3(pcm, format);
}

Bytes cbrSong() { return encode(1.0, {44100, 2, false, 128}); }
Bytes vbrSong() { return encode(1.0, {44100, 2, true, 128}); }
Bytes lowRateSong() { return encode(1.0, {22050, 1, false, 32}); }

// --- MPEG audio frame headers ---------------------------------------------

struct FrameHeader {
    int version = 0;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    int layer = 0;    // 1: layer III
    bool crc = false;
    int bitrateIndex = 0, rateIndex = 0, padding = 0, mode = 0;
    std::size_t length = 0;
};

bool parseHeader(const Bytes& bytes, std::size_t at, FrameHeader& header) {
    if (at + 4 > bytes.size() || bytes[at] != 0xff || (bytes[at + 1] & 0xe0) != 0xe0) return false;
    header.version = (bytes[at + 1] >> 3) & 3;
    header.layer = (bytes[at + 1] >> 1) & 3;
    header.crc = (bytes[at + 1] & 1) == 0;
    header.bitrateIndex = bytes[at + 2] >> 4;
    header.rateIndex = (bytes[at + 2] >> 2) & 3;
    header.padding = (bytes[at + 2] >> 1) & 1;
    header.mode = bytes[at + 3] >> 6;
    if (header.version == 1 || header.layer != 1 || header.bitrateIndex == 0 ||
        header.bitrateIndex == 15 || header.rateIndex == 3) {
        return false;
    }
    static const int kMpeg1Kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kMpeg2Kbps[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kRates[] = {44100, 48000, 32000};
    const bool mpeg1 = header.version == 3;
    const int rate = kRates[header.rateIndex] >> (mpeg1 ? 0 : header.version == 2 ? 1 : 2);
    const int kbps = (mpeg1 ? kMpeg1Kbps : kMpeg2Kbps)[header.bitrateIndex];
    header.length = static_cast<std::size_t>((mpeg1 ? 144000 : 72000) * kbps / rate + header.padding);
    return true;
}

// Where every frame of a clean encoder output starts.
std::vector<std::size_t> frameOffsets(const Bytes& bytes) {
    std::vector<std::size_t> offsets;
    FrameHeader header;
    for (std::size_t at = 0; parseHeader(bytes, at, header); at += header.length) offsets.push_back(at);
    return offsets;
}

void setBits(Bytes& bytes, std::size_t bitOffset, int count, std::uint32_t value) {
    for (int i = 0; i < count; ++i) {
        const std::size_t bit = bitOffset + i;
        if (bit / 8 >= bytes.size()) return;
        const unsigned char mask = static_cast<unsigned char>(0x80 >> (bit % 8));
        const bool on = (value >> (count - 1 - i)) & 1;
        bytes[bit / 8] = static_cast<unsigned char>(on ? bytes[bit / 8] | mask : bytes[bit / 8] & ~mask);
    }
}

// Calls `change` with the bit offset of every field of the header word of
// every frame, after the info frame.
using HeaderEdit = std::function<void(Bytes&, std::size_t frameBit)>;
Bytes editFrames(Bytes bytes, const HeaderEdit& edit, int every = 1) {
    const auto offsets = frameOffsets(bytes);
    for (std::size_t i = 1; i < offsets.size(); i += every) edit(bytes, offsets[i] * 8);
    return bytes;
}

// Side information starts after the header and its CRC; global_gain sits
// 21 bits into each granule's channel block (part2_3_length, big_values).
Bytes withGlobalGain(Bytes bytes, std::uint32_t gain) {
    for (std::size_t at : frameOffsets(bytes)) {
        FrameHeader header;
        parseHeader(bytes, at, header);
        const bool mpeg1 = header.version == 3;
        const int channels = header.mode == 3 ? 1 : 2;
        std::size_t bit = (at + 4 + (header.crc ? 2 : 0)) * 8;
        bit += mpeg1 ? 9 + (channels == 1 ? 5 : 3) + 4 * channels : 8 + channels;
        const int granules = mpeg1 ? 2 : 1;
        const int blockBits = mpeg1 ? 59 : 63;
        for (int block = 0; block < granules * channels; ++block) {
            setBits(bytes, bit + block * blockBits + 21, 8, gain);
        }
    }
    return bytes;
}

// --- the info frame (Xing / Info and LAME tags) ------------------------------

std::size_t infoTagAt(const Bytes& bytes) {
    for (const char* tag : {"Xing", "Info"}) {
        const auto found = std::search(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 200),
                                       tag, tag + 4);
        if (found != bytes.begin() + std::min<std::size_t>(bytes.size(), 200)) {
            return static_cast<std::size_t>(found - bytes.begin());
        }
    }
    return 0;
}

void putBigEndian32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = (value >> (24 - 8 * i)) & 0xff;
}

// --- plain byte damage ------------------------------------------------------

Bytes randomBytes(std::size_t size, std::uint32_t seed) {
    std::minstd_rand engine(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(engine() & 0xff);
    return bytes;
}

Bytes truncated(Bytes bytes, std::size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

Bytes bitFlipped(Bytes bytes, int flips, std::uint32_t seed) {
    std::minstd_rand engine(seed);
    for (int i = 0; i < flips; ++i) bytes[engine() % bytes.size()] ^= static_cast<unsigned char>(1 << (engine() % 8));
    return bytes;
}

Bytes withRun(Bytes bytes, std::size_t at, std::size_t length, unsigned char value) {
    for (std::size_t i = at; i < std::min(at + length, bytes.size()); ++i) bytes[i] = value;
    return bytes;
}

Bytes joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes id3Header(std::uint8_t version, std::uint8_t flags, const std::uint8_t size[4]) {
    return {'I', 'D', '3', version, 0, flags, size[0], size[1], size[2], size[3]};
}

// --- other files named .mp3 -------------------------------------------------

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes wavFile() {
    const std::uint32_t dataBytes = 44100 * 4;
    Bytes bytes = text("RIFF");
    auto little32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back((v >> (8 * i)) & 0xff);
    };
    auto little16 = [&](std::uint16_t v) {
        bytes.push_back(v & 0xff);
        bytes.push_back(v >> 8);
    };
    little32(36 + dataBytes);
    for (char c : std::string("WAVEfmt ")) bytes.push_back(c);
    little32(16);
    little16(1);
    little16(2);
    little32(44100);
    little32(44100 * 4);
    little16(4);
    little16(16);
    for (char c : std::string("data")) bytes.push_back(c);
    little32(dataBytes);
    const Bytes pcm = randomBytes(dataBytes, 3);
    return joined(bytes, pcm);
}

Bytes pngFile() {
    Bytes bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const Bytes ihdr = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 1, 0, 0, 0, 1, 0, 8, 2, 0, 0, 0, 0x90, 0x77, 0x53, 0xde};
    bytes = joined(bytes, ihdr);
    return joined(joined(bytes, randomBytes(5000, 4)), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82});
}

Bytes gzipFile() {
    const std::string words = "not a song, only words, compressed ";
    std::string plain;
    while (plain.size() < 50000) plain += words;
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    Bytes deflated(size);
    compress2(deflated.data(), &size, reinterpret_cast<const Bytef*>(plain.data()),
              static_cast<uLong>(plain.size()), 9);
    deflated.resize(size);
    return joined({0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3}, deflated);
}

Bytes repeatedFrameHeader(std::size_t size) {
    Bytes bytes;
    while (bytes.size() < size) bytes.insert(bytes.end(), {0xff, 0xfb, 0x90, 0x64});
    return bytes;
}

class Corpus {
public:
    explicit Corpus(std::string folder) : folder(std::move(folder)) {}
    void add(const std::string& name, const Bytes& bytes) {
        const std::string path = folder + "/" + name + ".mp3";
        if (writeBytes(path, bytes)) paths.push_back(path);
    }
    std::vector<std::string> paths;

private:
    std::string folder;
};

void addTruncations(Corpus& corpus, const std::string& base, const Bytes& song) {
    for (std::size_t keep : {std::size_t{1}, std::size_t{3}, std::size_t{10}, std::size_t{100}, std::size_t{417},
                             std::size_t{418}, std::size_t{1000}, song.size() / 2, song.size() - 1}) {
        corpus.add(base + "-truncated-" + std::to_string(keep), truncated(song, keep));
    }
}

void addBitFlips(Corpus& corpus, const std::string& base, const Bytes& song) {
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        for (int flips : {1, 16, 256}) {
            corpus.add(base + "-flips-" + std::to_string(flips) + "-" + std::to_string(seed),
                       bitFlipped(song, flips, seed));
        }
    }
}

void addByteRuns(Corpus& corpus, const std::string& base, const Bytes& song) {
    for (unsigned char value : {0x00, 0xff, 0x55}) {
        for (std::size_t at : {std::size_t{0}, std::size_t{20}, song.size() / 2}) {
            for (std::size_t length : {16, 600, 5000}) {
                corpus.add(base + "-run-" + std::to_string(value) + "-at-" + std::to_string(at) + "-" +
                               std::to_string(length),
                           withRun(song, at, length, value));
            }
        }
    }
}

void addHeaderFieldDamage(Corpus& corpus, const std::string& base, const Bytes& song) {
    struct Field {
        const char* name;
        int bit, count;
        std::uint32_t value;
    };
    const Field fields[] = {
        {"free-bitrate", 16, 4, 0}, {"bad-bitrate", 16, 4, 15}, {"reserved-rate", 20, 2, 3},
        {"reserved-layer", 13, 2, 0}, {"layer-1", 13, 2, 3},      {"layer-2", 13, 2, 2},
        {"reserved-version", 11, 2, 1}, {"mpeg-2-5", 11, 2, 0},   {"mono", 24, 2, 3},
        {"reserved-emphasis", 30, 2, 2}, {"claims-crc", 15, 1, 0}, {"padding", 22, 1, 1},
    };
    for (const Field& field : fields) {
        for (int every : {1, 7}) {
            corpus.add(base + "-" + field.name + "-every-" + std::to_string(every),
                       editFrames(song, [&](Bytes& b, std::size_t bit) { setBits(b, bit + field.bit, field.count, field.value); },
                                  every));
        }
    }
    corpus.add(base + "-gain-255", withGlobalGain(song, 255));
    corpus.add(base + "-gain-0", withGlobalGain(song, 0));
}

void addInfoTagDamage(Corpus& corpus, const std::string& base, const Bytes& song) {
    const std::size_t tag = infoTagAt(song);
    if (tag == 0) return;
    // The tag: 4 letters, flags, then frames, bytes, a 100-byte TOC, quality,
    // then LAME's own fields with the 12+12-bit encoder delay and padding.
    const std::size_t frames = tag + 8, bytesField = tag + 12, toc = tag + 16;
    const std::size_t delay = tag + 120 + 21;
    for (std::uint32_t value : {0u, 1u, 0x7fffffffu, 0xffffffffu}) {
        Bytes b = song;
        putBigEndian32(b, frames, value);
        corpus.add(base + "-xing-frames-" + std::to_string(value), b);
        b = song;
        putBigEndian32(b, bytesField, value);
        corpus.add(base + "-xing-bytes-" + std::to_string(value), b);
    }
    corpus.add(base + "-xing-flags-all", withRun(song, tag + 4, 4, 0xff));
    corpus.add(base + "-xing-toc-ff", withRun(song, toc, 100, 0xff));
    Bytes backwards = song;
    for (int i = 0; i < 100; ++i) backwards[toc + i] = static_cast<unsigned char>(255 - 2 * i);
    corpus.add(base + "-xing-toc-backwards", backwards);
    for (std::uint32_t delays : {0xffffffu, 0xfff000u, 0x000fffu}) {
        Bytes b = song;
        setBits(b, delay * 8, 24, delays);
        corpus.add(base + "-lame-delay-padding-" + std::to_string(delays), b);
    }
    corpus.add(base + "-xing-cut", truncated(song, tag + 10));
}

void addId3Damage(Corpus& corpus, const Bytes& song) {
    const std::uint8_t huge[4] = {0x7f, 0x7f, 0x7f, 0x7f};       // 256 MB, far past the end
    const std::uint8_t notSyncSafe[4] = {0xff, 0xff, 0xff, 0xff};
    const std::uint8_t zero[4] = {0, 0, 0, 0};
    const std::uint8_t small[4] = {0, 0, 0, 20};
    corpus.add("id3-huge-size", joined(id3Header(3, 0, huge), song));
    corpus.add("id3-not-sync-safe", joined(id3Header(3, 0, notSyncSafe), song));
    corpus.add("id3-zero-size", joined(id3Header(3, 0, zero), song));
    corpus.add("id3-version-255", joined(id3Header(255, 0, small), joined(Bytes(20, 0), song)));
    corpus.add("id3-footer-flag", joined(id3Header(4, 0x10, small), joined(Bytes(20, 0), song)));
    corpus.add("id3-all-flags", joined(id3Header(4, 0xff, small), joined(Bytes(20, 0xff), song)));
    corpus.add("id3-header-only", id3Header(3, 0, small));
    corpus.add("id3-letters-only", text("ID3"));
    corpus.add("id3-twice", joined(id3Header(3, 0, small), joined(Bytes(20, 0), joined(id3Header(3, 0, small), joined(Bytes(20, 0), song)))));
    corpus.add("id3-size-past-end", joined(id3Header(3, 0, small), Bytes(5, 0)));
}

void addSplices(Corpus& corpus, const Bytes& cbr, const Bytes& vbr, const Bytes& lowRate) {
    corpus.add("splice-cbr-vbr", joined(truncated(cbr, cbr.size() / 2), Bytes(vbr.begin() + vbr.size() / 3, vbr.end())));
    corpus.add("splice-mid-frame", joined(truncated(cbr, 5000), Bytes(cbr.begin() + 7777, cbr.end())));
    corpus.add("format-change-mid-file", joined(cbr, lowRate));
    corpus.add("format-change-at-start", joined(truncated(lowRate, 2000), cbr));
    Bytes interleaved;
    const auto a = frameOffsets(cbr), b = frameOffsets(lowRate);
    for (std::size_t i = 0; i + 1 < std::min(a.size(), b.size()); ++i) {
        interleaved.insert(interleaved.end(), cbr.begin() + a[i], cbr.begin() + a[i + 1]);
        interleaved.insert(interleaved.end(), lowRate.begin() + b[i], lowRate.begin() + b[i + 1]);
    }
    corpus.add("interleaved-formats", interleaved);
}

void addOtherFiles(Corpus& corpus) {
    corpus.add("not-mp3-wav", wavFile());
    corpus.add("not-mp3-text", text(std::string(3000, 'a') + "\nthis is a text file, not a song\n"));
    corpus.add("not-mp3-png", pngFile());
    corpus.add("not-mp3-gzip", gzipFile());
    corpus.add("not-mp3-empty", {});
    const Bytes header = {0xff, 0xfb, 0x90, 0x64};
    for (std::size_t n = 1; n <= 4; ++n) corpus.add("not-mp3-" + std::to_string(n) + "-bytes", truncated(header, n));
    corpus.add("not-mp3-all-ff", Bytes(65536, 0xff));
    corpus.add("not-mp3-all-zero", Bytes(65536, 0));
    corpus.add("not-mp3-random", randomBytes(65536, 11));
    corpus.add("not-mp3-one-header-repeated", repeatedFrameHeader(80 * 1024));
}
}  // namespace

std::vector<unsigned char> overdrivenMp3() { return withGlobalGain(cbrSong(), 255); }

std::vector<std::string> writeHostileFiles(const std::string& folder) {
    Corpus corpus(folder);
    const Bytes cbr = cbrSong(), vbr = vbrSong(), lowRate = lowRateSong();
    const std::pair<const char*, const Bytes*> songs[] = {{"cbr", &cbr}, {"vbr", &vbr}, {"low-rate", &lowRate}};
    for (const auto& [base, song] : songs) {
        addTruncations(corpus, base, *song);
        addHeaderFieldDamage(corpus, base, *song);
        addInfoTagDamage(corpus, base, *song);
    }
    addBitFlips(corpus, "cbr", cbr);
    addBitFlips(corpus, "low-rate", lowRate);
    addByteRuns(corpus, "vbr", vbr);
    addId3Damage(corpus, cbr);
    addSplices(corpus, cbr, vbr, lowRate);
    addOtherFiles(corpus);
    return corpus.paths;
}

}  // namespace mp3
