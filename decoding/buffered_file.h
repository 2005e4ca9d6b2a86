#pragma once
// A read-only regular file behind a 64 KB buffer, for mpg123. While it hunts
// for frames in junk, mpg123 reads a few bytes at a time and steps back; from
// a buffer that is copying, not hundreds of thousands of system calls.
#include <sys/types.h>

#include <string>
#include <vector>

#include "base/problem.h"

class BufferedFile {
public:
    BufferedFile() = default;
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    // Only regular files are opened: a FIFO, device or folder would block or
    // never end. False with why() telling the user why.
    bool open(const std::string& path);
    const Problem& why() const { return problem; }
    void close();

    // The read and lseek of POSIX, on the buffered file.
    ssize_t read(void* out, size_t bytes);
    off_t seek(off_t offset, int whence);
    off_t length() const { return size; }
    // Reads stop at `end`, as if the file ended there.
    void endAt(off_t end);

    // The same, as mpg123 calls them with this object as its handle.
    static ssize_t readHandle(void* file, void* out, size_t bytes);
    static off_t seekHandle(void* file, off_t offset, int whence);

private:
    bool fill(off_t at);

    Problem problem;
    int descriptor = -1;
    off_t size = 0;
    off_t readableEnd = -1;  // -1: none but the file's own
    off_t position = 0;
    std::vector<unsigned char> buffer;
    off_t bufferStart = 0;
    size_t buffered = 0;
};
