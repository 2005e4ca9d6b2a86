#include "shaders/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <system_error>

namespace {
// Editors save by writing the file, or by writing another and moving it over.
constexpr uint32_t kSaves = IN_CLOSE_WRITE | IN_MOVED_TO;
// A folder made (or moved in) on the way to one awaited; added to what the
// folder may already be watched for.
constexpr uint32_t kFolderMade = IN_CREATE | IN_MOVED_TO | IN_ONLYDIR | IN_MASK_ADD;

void addOnce(std::vector<std::string>& paths, const std::string& path) {
    if (std::ranges::find(paths, path) == paths.end()) paths.push_back(path);
}
}  // namespace

FolderWatch::~FolderWatch() {
    if (queue >= 0) close(queue);
}

void FolderWatch::watch(const std::vector<std::string>& folders) {
    if (queue < 0) queue = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (queue < 0) return;
    for (const std::string& folder : folders) {
        if (!watchOrAwait(folder)) awaited.push_back(folder);
    }
}

bool FolderWatch::watchOrAwait(const std::string& folder) {
    // Each round watches a folder further down, or ends: a folder on the way
    // may be made between looking for it and watching the one above it.
    const std::filesystem::path path = folder;
    const auto depth = std::distance(path.begin(), path.end());
    for (std::ptrdiff_t round = 0; round <= depth; ++round) {
        const int watched = inotify_add_watch(queue, folder.c_str(), kSaves | IN_ONLYDIR | IN_MASK_ADD);
        if (watched >= 0) {
            folderOf[watched] = folder;
            return true;
        }
        std::error_code error;
        const std::filesystem::path next = awaitNextFolderDown(folder);
        if (next.empty() || !std::filesystem::is_directory(next, error)) return false;
    }
    return false;
}

std::filesystem::path FolderWatch::awaitNextFolderDown(const std::string& folder) {
    std::filesystem::path below = folder;
    for (std::filesystem::path above = below.parent_path(); !above.empty() && above != below;
         below = above, above = above.parent_path()) {
        if (inotify_add_watch(queue, above.c_str(), kFolderMade) >= 0) return below;
    }
    return {};
}

void FolderWatch::takeUpAwaited(std::vector<std::string>& saved) {
    std::erase_if(awaited, [&](const std::string& folder) {
        if (!watchOrAwait(folder)) return false;
        // What was put there before the watch began; a folder gone again
        // meanwhile ends the walk, never the program.
        std::error_code error;
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            addOnce(saved, entry->path());
        }
        return true;
    });
}

std::vector<std::string> FolderWatch::takeSaved() {
    std::vector<std::string> saved;
    if (queue < 0) return saved;
    alignas(inotify_event) char buffer[4096];
    bool folderMade = false;
    for (;;) {
        const ssize_t length = read(queue, buffer, sizeof buffer);
        if (length <= 0) break;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const auto folder = folderOf.find(event->wd);
            if (event->len > 0 && folder != folderOf.end() && (event->mask & kSaves) != 0) {
                addOnce(saved, folder->second + "/" + event->name);
            }
            folderMade = folderMade || (event->mask & IN_ISDIR) != 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (folderMade) takeUpAwaited(saved);
    return saved;
}
