#pragma once
// Sound libraries (ALSA, JACK, PulseAudio) print their own complaints while
// probing for a device; the user sees one message of ours instead. While an
// object of this class lives, standard error goes nowhere.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved >= 0) {
            dup2(saved, STDERR_FILENO);
            ::close(saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved = -1;
};
