#include "tools/mp3_maker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace mp3 {

Signal sine(double hz, double amplitude) {
    return [=](double t) { return static_cast<float>(amplitude * std::sin(2 * M_PI * hz * t)); };
}

Signal whiteNoise(double amplitude, std::uint32_t seed) {
    auto engine = std::make_shared<std::minstd_rand>(seed);
    return [=](double) {
        std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
        return static_cast<float>(amplitude) * spread(*engine);
    };
}

Signal silence() {
    return [](double) { return 0.0f; };
}

Signal bursts(std::vector<Burst> times, Signal inside) {
    return [=](double t) {
        for (const Burst& burst : times) {
            if (t >= burst.start && t < burst.end) return inside(t);
        }
        return 0.0f;
    };
}

namespace {
void appendBigEndian32(std::vector<unsigned char>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back((value >> shift) & 0xff);
}

// ID3v2 header sizes are "sync-safe": seven bits per byte.
void appendSyncSafe32(std::vector<unsigned char>& bytes, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7) bytes.push_back((value >> shift) & 0x7f);
}

std::vector<unsigned char> randomBytes(std::size_t size, std::uint32_t seed) {
    std::minstd_rand engine(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(engine() & 0xff);
    return bytes;
}
}  // namespace

std::vector<unsigned char> id3TagWithPicture(std::size_t pictureBytes) {
    std::vector<unsigned char> frame = {0};  // text encoding: ISO-8859-1
    for (char c : std::string("image/jpeg")) frame.push_back(static_cast<unsigned char>(c));
    frame.push_back(0);
    frame.push_back(3);  // front cover
    frame.push_back(0);  // empty description
    frame.push_back(0xff);  // a JPEG start marker, then noise
    frame.push_back(0xd8);
    const auto picture = randomBytes(pictureBytes, 99);
    frame.insert(frame.end(), picture.begin(), picture.end());

    std::vector<unsigned char> tag = {'I', 'D', '3', 3, 0, 0};
    appendSyncSafe32(tag, static_cast<std::uint32_t>(frame.size() + 10));
    for (char c : std::string("APIC")) tag.push_back(static_cast<unsigned char>(c));
    appendBigEndian32(tag, static_cast<std::uint32_t>(frame.size()));
    tag.push_back(0);
    tag.push_back(0);
    tag.insert(tag.end(), frame.begin(), frame.end());
    return tag;
}

bool write(const std::string& path, double seconds, const Signal& signal, const Options& options) {
    const int channels = options.format.channels;
    const auto frames = static_cast<std::size_t>(std::llround(seconds * options.format.sampleRate));
    std::vector<float> pcm(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const float sample = signal(static_cast<double>(i) / options.format.sampleRate);
        for (int c = 0; c < channels; ++c) pcm[i * channels + c] = sample;
    }
    std::vector<unsigned char> bytes;
    if (options.pictureBytes > 0) bytes = id3TagWithPicture(options.pictureBytes);
    const std::vector<unsigned char> audio = encodeMp3(pcm, options.format);
    if (audio.empty()) return false;
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    return writeBytes(path, bytes);
}

bool writeEmpty(const std::string& path) { return writeBytes(path, {}); }

bool writeRandomBytes(const std::string& path, std::size_t size, std::uint32_t seed) {
    return writeBytes(path, randomBytes(size, seed));
}

bool writeTruncated(const std::string& path, std::size_t keepBytes) {
    if (!write(path, 1.0, sine(440, 0.5))) return false;
    return ::truncate(path.c_str(), static_cast<off_t>(keepBytes)) == 0;
}

bool writeTagOnly(const std::string& path) { return writeBytes(path, id3TagWithPicture(1000)); }

bool makeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool makeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

bool writeUnreadable(const std::string& path) {
    return writeRandomBytes(path, 4096) && ::chmod(path.c_str(), 0) == 0;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "viz-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    ::chmod(pattern.c_str(), 0755);  // unprivileged helpers must reach it
    root = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Unreadable folders left by a test would stop the removal.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(root, ignored);
}

}  // namespace mp3
