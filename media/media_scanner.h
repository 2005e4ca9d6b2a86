#pragma once
#include <sys/types.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

// Collects the entries of a folder tree with the names of songs (see
// decoding/song_formats.h), depth first, in the order the file system lists them.
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
    void walkCurrentFolder();
    void enterFolder(const char* name);

    std::vector<std::string> matches;

    // The folder being walked: its path (kept for the matches) and an open
    // descriptor, so sub-folders open relative to it and paths of any length work.
    std::string currentFolder;
    int currentFolderFd = -1;
    // Every real folder (device and inode) entered in this scan: links may
    // lead back up, never ending, or many times into one folder, doubling
    // the walk at each level.
    std::set<std::pair<dev_t, ino_t>> foldersWalked;
};
