#include "shaders/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>

FolderWatch::~FolderWatch() {
    if (queue >= 0) close(queue);
}

void FolderWatch::watch(const std::vector<std::string>& folders) {
    if (queue < 0) queue = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (queue < 0) return;
    for (const std::string& folder : folders) {
        // Editors save by writing the file, or by writing another and moving it over.
        const int watched = inotify_add_watch(queue, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
        if (watched >= 0) folderOf[watched] = folder;
    }
}

std::vector<std::string> FolderWatch::takeSaved() {
    std::vector<std::string> saved;
    if (queue < 0) return saved;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = read(queue, buffer, sizeof buffer);
        if (length <= 0) break;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const auto folder = folderOf.find(event->wd);
            if (event->len > 0 && folder != folderOf.end()) {
                const std::string path = folder->second + "/" + event->name;
                if (std::ranges::find(saved, path) == saved.end()) saved.push_back(path);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return saved;
}
