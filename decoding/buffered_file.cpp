#include "decoding/buffered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
constexpr size_t kBufferBytes = 64 * 1024;

// What the user can do about a file that would not open, in their words.
Problem openingProblem(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "permission denied";
        case ENOENT:
            return "no such file";
        default:
            return std::strerror(error);
    }
}

Problem notARegularFile(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "a folder, not a song";
    return "not a regular file";
}
}  // namespace

BufferedFile::~BufferedFile() { close(); }

bool BufferedFile::open(const std::string& path) {
    close();
    problem = {};
    descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        problem = openingProblem(errno);
        return false;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0) {
        problem = openingProblem(errno);
        close();
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = notARegularFile(info);
        close();
        return false;
    }
    size = info.st_size;
    buffer.resize(kBufferBytes);
    return true;
}

void BufferedFile::close() {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
    position = bufferStart = 0;
    buffered = 0;
    readableEnd = -1;
}

void BufferedFile::endAt(off_t end) {
    readableEnd = std::max<off_t>(end, 0);
    size = std::min(size, readableEnd);
}

bool BufferedFile::fill(off_t at) {
    ssize_t got;
    do {
        got = pread(descriptor, buffer.data(), buffer.size(), at);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    bufferStart = at;
    buffered = static_cast<size_t>(got);
    return true;
}

ssize_t BufferedFile::read(void* out, size_t bytes) {
    if (descriptor < 0) {
        errno = EBADF;
        return -1;
    }
    if (readableEnd >= 0) {
        bytes = static_cast<size_t>(std::clamp<off_t>(readableEnd - position, 0, static_cast<off_t>(bytes)));
    }
    auto* target = static_cast<unsigned char*>(out);
    size_t done = 0;
    while (done < bytes) {
        const bool inBuffer = position >= bufferStart && position < bufferStart + static_cast<off_t>(buffered);
        if (!inBuffer) {
            if (!fill(position)) return done > 0 ? static_cast<ssize_t>(done) : -1;
            if (buffered == 0) break;  // the end of the file
        }
        const size_t offset = static_cast<size_t>(position - bufferStart);
        const size_t n = std::min(bytes - done, buffered - offset);
        std::memcpy(target + done, buffer.data() + offset, n);
        done += n;
        position += static_cast<off_t>(n);
    }
    return static_cast<ssize_t>(done);
}

off_t BufferedFile::seek(off_t offset, int whence) {
    off_t base = 0;
    if (whence == SEEK_CUR) base = position;
    else if (whence == SEEK_END) base = size;
    else if (whence != SEEK_SET) base = -1;
    // Sums past the largest offset (a hostile length) are refused, not wrapped.
    off_t target = 0;
    if (base < 0 || __builtin_add_overflow(base, offset, &target) || target < 0) {
        errno = EINVAL;
        return -1;
    }
    position = target;
    return position;
}

ssize_t BufferedFile::readHandle(void* file, void* out, size_t bytes) {
    return static_cast<BufferedFile*>(file)->read(out, bytes);
}

off_t BufferedFile::seekHandle(void* file, off_t offset, int whence) {
    return static_cast<BufferedFile*>(file)->seek(offset, whence);
}
