#pragma once
// A file written under a name of its own beside its target, and moved onto
// the target only when complete: nothing half-written is ever seen at the
// target, and an earlier file there stays as it was until the move.
//
// The partial file goes when this object does, when the process ends through
// exit() (Xlib and freeglut end it so on a lost display), and when a signal
// ends the process (Ctrl+C, kill, a closed terminal, a crash). One that a
// SIGKILL left behind is removed by the next write to the same target: each
// holds a lock on its partial file for as long as its writer lives.
#include <string>

#include "base/problem.h"

class PartialFile {
public:
    PartialFile() = default;
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // Creates the partial file for `target`, with the permissions a new file
    // gets; "" on success, else a one-line reason.
    Problem create(const std::string& target);
    const std::string& path() const { return partialPath; }
    // Moves the complete file onto the target; "" on success.
    Problem commit();

private:
    void remove();

    std::string targetPath;
    std::string partialPath;
    int lockDescriptor = -1;
};
