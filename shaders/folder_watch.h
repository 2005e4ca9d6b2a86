#pragma once
// Files saved in a few folders, as the kernel tells them (inotify): asked
// once a frame, never waited for.
#include <map>
#include <string>
#include <vector>

class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches these folders from now on; those that do not exist are left out.
    void watch(const std::vector<std::string>& folders);
    // The paths of the files written or moved in since the last call, once each.
    std::vector<std::string> takeSaved();

private:
    int queue = -1;
    std::map<int, std::string> folderOf;  // by watch descriptor
};
