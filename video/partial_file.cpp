#include "video/partial_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {
constexpr const char* kPartialSuffix = ".partial-";

// What a signal handler may touch: the one partial file of this process, as
// a plain buffer of characters, and whether it is still to be removed.
char pendingPath[PATH_MAX];
std::atomic<bool> pending{false};

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ,
                                  SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction previousActions[sizeof kEndingSignals / sizeof kEndingSignals[0]];

void removePending() {
    if (pending.exchange(false)) unlink(pendingPath);
}

// Removes the partial file, then lets the signal do what it did before:
// end the process, or reach a sanitizer's handler that reports and ends it.
void onEndingSignal(int signal) {
    const int savedErrno = errno;
    removePending();
    for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i) {
        if (kEndingSignals[i] == signal) sigaction(signal, &previousActions[i], nullptr);
    }
    errno = savedErrno;
    raise(signal);
}

void armCleanUpOnce() {
    static const bool armed = [] {
        std::atexit(removePending);
        struct sigaction action {};
        action.sa_handler = onEndingSignal;
        action.sa_flags = SA_NODEFER;  // the raise in the handler arrives at once
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i) {
            sigaction(kEndingSignals[i], nullptr, &previousActions[i]);
            // A signal ignored before (nohup) stays ignored.
            if (previousActions[i].sa_handler == SIG_IGN) continue;
            sigaction(kEndingSignals[i], &action, nullptr);
        }
        return true;
    }();
    (void)armed;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Partial files of `target` whose writer is gone: nobody holds their lock.
void removeAbandonedPartials(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string prefix = nameOf(target) + kPartialSuffix;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = readdir(listing)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        const std::string path = folder + "/" + entry->d_name;
        const int descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat info {};
        if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            unlink(path.c_str());
        }
        close(descriptor);
    }
    closedir(listing);
}

// The process's file-creation mask, read without changing it: umask() reads
// it only by setting it, for every thread of the process at once.
mode_t creationMask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 022;  // a kernel without the line (before Linux 4.7): the usual mask
}
}  // namespace

PartialFile::~PartialFile() { remove(); }

void PartialFile::remove() {
    if (!partialPath.empty()) {
        pending = false;
        unlink(partialPath.c_str());
        partialPath.clear();
    }
    if (lockDescriptor >= 0) close(lockDescriptor);
    lockDescriptor = -1;
}

Problem PartialFile::create(const std::string& target) {
    remove();
    targetPath = target;
    if (target.size() + 32 >= PATH_MAX) return "the name '" + target + "' is too long";
    removeAbandonedPartials(target);

    std::string pattern = target + kPartialSuffix + "XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return "cannot write '" + target + "': " + std::strerror(errno);
    // Locked from the start, so no other writer takes it for abandoned.
    flock(descriptor, LOCK_EX);
    fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    // The permissions any new file gets, not mkstemp's private ones.
    fchmod(descriptor, 0666 & ~creationMask());
    lockDescriptor = descriptor;
    partialPath = pattern;

    armCleanUpOnce();
    std::memcpy(pendingPath, partialPath.c_str(), partialPath.size() + 1);
    pending = true;
    return {};
}

Problem PartialFile::commit() {
    if (std::rename(partialPath.c_str(), targetPath.c_str()) != 0) {
        return "cannot write '" + targetPath + "': " + std::strerror(errno);
    }
    pending = false;
    partialPath.clear();
    remove();
    return {};
}
