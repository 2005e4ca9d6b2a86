#include "app/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {
constexpr int kStartTimeoutMs = 10'000;

// In the child: a server that dies with its parent, whatever kills it.
[[noreturn]] void runServer(int reportFd, int width, int height) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    const std::string fd = std::to_string(reportFd);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // -displayfd: the server picks a free display and writes its number
    // there once it accepts clients.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
}
}  // namespace

PrivateDisplay::~PrivateDisplay() {
    if (server <= 0) return;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
}

std::string PrivateDisplay::start(int width, int height) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return "cannot start a virtual display";
    server = fork();
    if (server < 0) return "cannot start a virtual display";
    if (server == 0) {
        fcntl(report[1], F_SETFD, 0);  // Xvfb writes the display number here
        close(report[0]);
        runServer(report[1], width, height);
    }
    close(report[1]);
    std::string number;
    pollfd waiting{report[0], POLLIN, 0};
    while (poll(&waiting, 1, kStartTimeoutMs) > 0) {
        char c = 0;
        if (read(report[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(report[0]);
    if (number.empty()) return "cannot start a virtual display (is Xvfb installed?)";
    displayName = ":" + number;
    return "";
}
