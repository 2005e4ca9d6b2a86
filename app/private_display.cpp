#include "app/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr int kStartTimeoutMs = 10'000;
// A server that has not gone this long after being asked to is killed.
constexpr auto kStopTimeout = std::chrono::seconds(2);

// The program's path, as execvp would find it, or "" when it is nowhere on PATH.
std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    folders += ':';
    for (std::size_t start = 0, colon; (colon = folders.find(':', start)) != std::string::npos; start = colon + 1) {
        const std::string folder = colon > start ? folders.substr(start, colon - start) : ".";
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

// The server's words, made before the fork: the child of a process whose
// other threads may hold the allocator's locks must not allocate.
struct ServerLaunch {
    std::string program;
    std::vector<std::string> words;
    std::vector<char*> argv;

    ServerLaunch(std::string program, int reportFd, int width, int height) : program(std::move(program)) {
        // -displayfd: the server picks a free display and writes its number
        // there once it accepts clients.
        words = {"Xvfb", "-displayfd", std::to_string(reportFd), "-screen", "0",
                 std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp", "-noreset"};
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
    }
};

// In the child, async-signal-safe calls only: a server that dies with its
// parent, whatever kills it, and that ends at once if the parent is gone
// already (the signal is only sent for a death that comes after prctl).
[[noreturn]] void runServer(const ServerLaunch& launch, pid_t parent, int reportFd, int null) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    fcntl(reportFd, F_SETFD, 0);  // the server writes the display number here
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(launch.program.c_str(), launch.argv.data());
    _exit(127);
}

bool endedWithin(pid_t child, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    do {
        if (waitpid(child, nullptr, WNOHANG) == child) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < until);
    return false;
}
}  // namespace

PrivateDisplay::~PrivateDisplay() {
    if (server <= 0) return;
    kill(server, SIGTERM);
    if (endedWithin(server, kStopTimeout)) return;
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
}

Problem PrivateDisplay::start(int width, int height) {
    std::string program = findProgram("Xvfb");
    if (program.empty()) return "cannot start a virtual display (is Xvfb installed?)";
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return "cannot start a virtual display";
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const ServerLaunch launch(std::move(program), report[1], width, height);
    const pid_t parent = getpid();
    server = fork();
    if (server == 0) runServer(launch, parent, report[1], null);
    close(report[1]);
    if (null >= 0) close(null);
    if (server < 0) {
        close(report[0]);
        return "cannot start a virtual display";
    }
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
    return {};
}
