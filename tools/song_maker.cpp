#include "tools/song_maker.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/mp3_writer.h"

namespace songs {
namespace {
void putLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

std::string ending(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? "" : path.substr(dot);
}

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
}  // namespace

bool writeWav(const std::string& path, double seconds, const mp3::Signal& signal, int rate, int channels) {
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t dataBytes = frames * channels * 2;
    std::vector<unsigned char> bytes{'R', 'I', 'F', 'F'};
    putLittleEndian(bytes, 36 + dataBytes, 4);
    for (char c : std::string("WAVEfmt ")) bytes.push_back(static_cast<unsigned char>(c));
    putLittleEndian(bytes, 16, 4);
    putLittleEndian(bytes, 1, 2);  // PCM
    putLittleEndian(bytes, static_cast<std::uint32_t>(channels), 2);
    putLittleEndian(bytes, static_cast<std::uint32_t>(rate), 4);
    putLittleEndian(bytes, static_cast<std::uint32_t>(rate * channels * 2), 4);
    putLittleEndian(bytes, static_cast<std::uint32_t>(channels * 2), 2);
    putLittleEndian(bytes, 16, 2);
    for (char c : std::string("data")) bytes.push_back(static_cast<unsigned char>(c));
    putLittleEndian(bytes, dataBytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const float value = signal(static_cast<double>(i) / rate);
        const auto sample = static_cast<std::int16_t>(std::max(-1.0f, std::min(1.0f, value)) * 32767);
        for (int c = 0; c < channels; ++c) putLittleEndian(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool write(const std::string& path, double seconds, const mp3::Signal& signal, int rate, int channels) {
    const std::string kind = ending(path);
    if (kind == ".wav") return writeWav(path, seconds, signal, rate, channels);
    const std::string wav = path + ".source.wav";
    if (!writeWav(wav, seconds, signal, rate, channels)) return false;
    const std::string in = "'" + wav + "'", out = "'" + path + "'";
    bool made = false;
    if (kind == ".flac") made = run("flac --silent --force -o " + out + " " + in);
    if (kind == ".ogg" || kind == ".oga") made = run("oggenc --quiet -o " + out + " " + in);
    if (kind == ".opus") made = run("opusenc --quiet " + in + " " + out);
    if (kind == ".m4a") made = run("ffmpeg -v error -y -i " + in + " -c:a aac -b:a 128k " + out);
    if (kind == ".aac") made = run("ffmpeg -v error -y -i " + in + " -c:a aac -b:a 128k -f adts " + out);
    std::remove(wav.c_str());
    return made;
}

std::vector<std::string> writeHostileCopies(const std::string& folder, const std::string& ending) {
    const std::string good = folder + "/good" + ending;
    if (!write(good, 2.0, mp3::whiteNoise(0.9))) return {};
    std::ifstream in(good, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> made;
    auto keep = [&](const std::string& name, const std::vector<unsigned char>& content) {
        made.push_back(folder + "/" + name + ending);
        writeBytes(made.back(), content);
    };
    for (std::size_t cut : {std::size_t{0}, std::size_t{40}, bytes.size() / 2}) {
        const auto end = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(cut, bytes.size()));
        keep("cut" + std::to_string(cut), std::vector<unsigned char>(bytes.begin(), end));
    }
    for (std::size_t every : {7u, 61u, 997u}) {
        std::vector<unsigned char> flipped = bytes;
        for (std::size_t i = 0; i < flipped.size(); i += every) flipped[i] ^= 0x5a;
        keep("flipped" + std::to_string(every), flipped);
    }
    const std::string text = "This is not a song, only text that ends up with the name of one.\n";
    keep("text", std::vector<unsigned char>(text.begin(), text.end()));
    return made;
}
}  // namespace songs
