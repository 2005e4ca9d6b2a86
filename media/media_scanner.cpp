#include "media/media_scanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "decoding/song_formats.h"

namespace {
bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Entries that are, or may be, folders: links are followed to what they name.
bool mayBeFolder(unsigned char type) {
    return type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN;
}

int openFolder(int parentFd, const char* path) {
    // O_DIRECTORY makes anything but a folder (a FIFO, a device) fail at
    // once instead of blocking.
    return openat(parentFd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
}
}  // namespace

MediaScanner::~MediaScanner() = default;

void MediaScanner::scan(const std::string& folder) {
    char* canonical = realpath(folder.c_str(), nullptr);
    if (canonical == nullptr) return;
    std::string root = canonical;
    std::free(canonical);
    if (root == "/") root.clear();  // paths are built as folder + '/' + name

    const int fd = openFolder(AT_FDCWD, folder.c_str());
    if (fd < 0) return;
    currentFolder = root;
    currentFolderFd = fd;
    foldersWalked.clear();
    walkCurrentFolder();
}

void MediaScanner::walkCurrentFolder() {
    struct stat info {};
    if (fstat(currentFolderFd, &info) != 0) {
        close(currentFolderFd);
        return;
    }
    if (!foldersWalked.insert({info.st_dev, info.st_ino}).second) {
        close(currentFolderFd);
        return;
    }
    DIR* folder = fdopendir(currentFolderFd);  // takes over the descriptor
    if (folder == nullptr) {
        close(currentFolderFd);
        return;
    }

    while (const dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name)) continue;

        if (isSongName(name)) matches.push_back(currentFolder + '/' + name);
        if (mayBeFolder(entry->d_type)) enterFolder(name);
    }

    closedir(folder);
}

void MediaScanner::enterFolder(const char* name) {
    const int fd = openFolder(currentFolderFd, name);
    if (fd < 0) return;  // not a folder, or not ours to read: skipped silently

    const std::string parentFolder = currentFolder;
    const int parentFd = currentFolderFd;
    currentFolder += '/';
    currentFolder += name;
    currentFolderFd = fd;
    walkCurrentFolder();
    currentFolder = parentFolder;
    currentFolderFd = parentFd;
}

void MediaScanner::appendMatchesTo(std::vector<std::string>& list) const {
    list.insert(list.end(), matches.rbegin(), matches.rend());
}

void MediaScanner::clearMatches() { matches.clear(); }
