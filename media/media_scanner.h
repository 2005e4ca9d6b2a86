#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Collects the entries of a folder tree with the names of songs (see
// audio/song_formats.h), depth first, in the order the file system lists them.
class MediaScanner {
public:
    virtual ~MediaScanner();

    // Walks `folder` and everything below it for names of songs. A folder
    // that does not exist adds nothing.
    void scan(const std::string& folder);

    // Appends the matches to `list`, the last one found first.
    void appendMatchesTo(std::vector<std::string>& list) const;
    void clearMatches();

private:
    struct FolderId {
        dev_t device;
        ino_t inode;
        bool operator==(const FolderId&) const = default;
    };

    void walkCurrentFolder();
    void enterFolder(const char* name);

    std::vector<std::string> matches;

    // The folder being walked: its path (kept for the matches) and an open
    // descriptor, so sub-folders open relative to it and paths of any length work.
    std::string currentFolder;
    int currentFolderFd = -1;
    // Folders on the way down to the current one; entering one of them again
    // (through a link) would never end.
    std::vector<FolderId> foldersOnPath;
};
