#include "platform/private_display.h"

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
// Xvfb starts in well under a second on an idle machine, but a loaded one
// (a build, a test suite) has been seen to take over ten.
constexpr auto kStartTimeout = std::chrono::seconds(60);
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
// The display number the server writes once it takes clients; "" when it
// ends first or the wait runs out.
std::string displayNumberFrom(int report) {
    const auto until = std::chrono::steady_clock::now() + kStartTimeout;
    std::string number;
    pollfd waiting{report, POLLIN, 0};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0) return "";
        char c = 0;
        if (read(report, &c, 1) != 1) return "";
        if (c == '\n') return number;
        number += c;
    }
}
}  // namespace

// Why the server gave no display: it ended (its end of the pipe closes a
// moment before it can be waited for), or it is still starting.
Problem PrivateDisplay::notStarted() {
    int status = 0;
    pid_t ended = 0;
    for (int tries = 0; tries < 100 && (ended = waitpid(server, &status, WNOHANG)) == 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended == server) {
        server = -1;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return "cannot run Xvfb for the virtual display";
        return "the virtual display (Xvfb) ended before it took clients";
    }
    return "the virtual display (Xvfb) did not start within " + std::to_string(kStartTimeout.count()) + " s";
}

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
    const std::string number = displayNumberFrom(report[0]);
    close(report[0]);
    if (number.empty()) return notStarted();
    displayName = ":" + number;
    return {};
}
