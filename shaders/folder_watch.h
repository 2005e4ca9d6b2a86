#pragma once
// Files saved in a few folders, as the kernel tells them (inotify): asked
// once a frame, never waited for.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches these folders from now on. One that does not exist yet is
    // watched from when it is made: its files then count as saved.
    void watch(const std::vector<std::string>& folders);
    // The paths of the files written or moved in since the last call, once each.
    std::vector<std::string> takeSaved();

private:
    // Watches the folder, or else the nearest folder above it that exists,
    // for the next folder down to be made. Whether the folder is watched.
    bool watchOrAwait(const std::string& folder);
    // Watches the nearest folder above `folder` that exists; the next folder
    // down from it, the one awaited, or empty when nothing above exists.
    std::filesystem::path awaitNextFolderDown(const std::string& folder);
    // Folders made since: watched now, their files in `saved`.
    void takeUpAwaited(std::vector<std::string>& saved);

    int queue = -1;
    std::map<int, std::string> folderOf;  // by watch descriptor
    std::vector<std::string> awaited;     // folders not made yet
};
