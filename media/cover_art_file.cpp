#include "media/cover_art_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// FNV-1a: stable across runs and builds, which std::hash is not promised to be.
std::uint64_t hashOf(const std::vector<unsigned char>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The extension the bytes call for, whatever the tag's MIME type claimed.
const char* extensionOf(const std::vector<unsigned char>& bytes) {
    static const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof png && std::memcmp(bytes.data(), png, sizeof png) == 0) return ".png";
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ".jpg";
    return nullptr;
}

// XDG_CACHE_HOME where it is an absolute path (a relative one is to be
// ignored), else ~/.cache; "" with no home to be found.
std::string cacheFolder() {
    std::string folder;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (cache != nullptr && cache[0] == '/') {
        folder = cache;
    } else if (home != nullptr && home[0] == '/') {
        folder = std::string(home) + "/.cache";
    } else {
        passwd entry{};
        passwd* user = nullptr;
        std::vector<char> buffer(16384);
        if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &user) == 0 && user != nullptr &&
            user->pw_dir != nullptr && user->pw_dir[0] == '/') {
            folder = std::string(user->pw_dir) + "/.cache";
        }
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// Every folder of the path, made private where it is new; one already there
// stays as its owner set it.
bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool writeAll(int descriptor, const std::vector<unsigned char>& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t wrote = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        written += static_cast<std::size_t>(wrote);
    }
    return true;
}
}  // namespace

std::string coverArtFile(const CoverArt& art) {
    const char* extension = extensionOf(art.bytes);
    if (extension == nullptr) return {};
    const std::string cache = cacheFolder();
    if (cache.empty()) return {};
    const std::string folder = cache + "/viz/art";
    char name[32];
    std::snprintf(name, sizeof name, "/%016llx", static_cast<unsigned long long>(hashOf(art.bytes)));
    const std::string path = folder + name + extension;

    // Already written, by this run or an earlier one.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::size_t>(status.st_size) == art.bytes.size()) {
        return path;
    }
    if (!makeFolders(folder)) return {};

    // Written under a name of its own, then renamed: a reader never sees
    // half a picture, and two writers of the same one do not mix.
    static std::atomic<unsigned> count{0};
    const std::string temporary =
        path + ".part" + std::to_string(getpid()) + "-" + std::to_string(count.fetch_add(1));
    const int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) return {};
    const bool written = writeAll(descriptor, art.bytes);
    const bool closed = close(descriptor) == 0;
    if (!written || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return {};
    }
    return path;
}
