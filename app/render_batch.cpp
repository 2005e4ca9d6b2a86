#include "app/render_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "base/messages.h"
#include "decoding/song_formats.h"
#include "media/media_scanner.h"

namespace {
// A child's reason fits in one write, so it arrives whole before the child ends.
constexpr std::size_t kLongestReason = 2048;

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string nameWithoutKind(const std::string& song) {
    const std::string name = std::filesystem::path(song).filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// A song being rendered by a child process.
struct Running {
    const BatchSong* song = nullptr;
    int reasonPipe = -1;  // read end: the child's one-line reason
};

// In the child: render, hand the reason over, end without the parent's exit work.
[[noreturn]] void renderInChild(RenderRequest request, const BatchSong& song, int reasonPipe) {
    request.output = song.video;
    request.song = song.song;
    request.showsProgress = false;
    const Problem problem = renderVideo(request);
    if (problem) {
        const std::string reason = problem.message().substr(0, kLongestReason);
        [[maybe_unused]] const ssize_t written = write(reasonPipe, reason.data(), reason.size());
    }
    std::fflush(nullptr);
    _exit(problem ? 1 : 0);
}

std::string readReason(int pipe) {
    char text[kLongestReason + 1] = {};
    const ssize_t got = read(pipe, text, kLongestReason);
    return got > 0 ? std::string(text, static_cast<std::size_t>(got)) : "";
}

// How a child ended, as a reason; "" when it rendered its song.
std::string endOf(int status, const std::string& reason) {
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    if (!reason.empty()) return reason;
    if (WIFSIGNALED(status)) return "the render stopped on signal " + std::to_string(WTERMSIG(status));
    return "the render failed (status " + std::to_string(WEXITSTATUS(status)) + ")";
}

// Songs done and the time left, from the bytes of the songs rendered so far:
// a song's size goes with its length well enough for an estimate.
class BatchProgress {
public:
    BatchProgress(int total, long long bytesToRender) : total(total), bytesLeft(bytesToRender), shown(isatty(STDERR_FILENO) != 0) {}

    void songDone(const std::string& song, bool rendered, bool failed) {
        ++done;
        if (failed) ++failedCount;
        struct stat info {};
        if (rendered && stat(song.c_str(), &info) == 0) {
            bytesDone += info.st_size;
            bytesLeft -= info.st_size;
        }
        show();
    }

    void show() const {
        if (!shown) return;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long long left = bytesDone > 0 ? static_cast<long long>(elapsed * static_cast<double>(bytesLeft) /
                                                                       static_cast<double>(bytesDone))
                                             : -1;
        std::fprintf(stderr, "\r%s", batchProgressLine(done, total, failedCount, left).c_str());
        std::fflush(stderr);
    }

    void finish() const {
        if (shown) std::fprintf(stderr, "\n");
    }

    // A line of ours on a line of its own, the progress line drawn again below it.
    void report(const std::string& line) const {
        if (shown) std::fprintf(stderr, "\r%80s\r", "");
        diagnose(line);
        show();
    }

private:
    const int total;
    long long bytesLeft;
    long long bytesDone = 0;
    int done = 0;
    int failedCount = 0;
    const bool shown;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

long long bytesOf(const std::vector<const BatchSong*>& songs) {
    long long bytes = 0;
    for (const BatchSong* song : songs) {
        struct stat info {};
        if (stat(song->song.c_str(), &info) == 0) bytes += info.st_size;
    }
    return bytes;
}

bool startChild(const RenderRequest& render, const BatchSong& song, std::map<pid_t, Running>& running) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return false;
    }
    if (child == 0) {
        close(pipeEnds[0]);
        renderInChild(render, song, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    running[child] = {&song, pipeEnds[0]};
    return true;
}
}  // namespace

std::vector<std::string> songsToRender(const std::vector<std::string>& places) {
    std::vector<std::string> songs;
    for (const std::string& place : places) {
        if (!isFolder(place)) {
            songs.push_back(place);
            continue;
        }
        MediaScanner scanner;
        scanner.scan(place);
        scanner.appendMatchesTo(songs);
    }
    std::ranges::sort(songs);
    songs.erase(std::unique(songs.begin(), songs.end()), songs.end());
    return songs;
}

std::vector<BatchSong> planBatch(const std::vector<std::string>& songs, const std::string& outputFolder,
                                 const std::string& format, Shard shard) {
    std::vector<BatchSong> planned;
    std::map<std::string, std::string> owners;  // a video's path and the song it is made of
    for (std::size_t index = 0; index < songs.size(); ++index) {
        const std::string video = (std::filesystem::path(outputFolder) / (nameWithoutKind(songs[index]) + "." + format)).string();
        const auto [owner, isNew] = owners.emplace(video, songs[index]);
        if (!shard.owns(index)) continue;
        BatchSong song{songs[index], video, ""};
        if (!isNew) song.problem = "its video would be '" + video + "', which is '" + owner->second + "''s";
        planned.push_back(std::move(song));
    }
    return planned;
}

bool videoIsUpToDate(const std::string& video, const std::string& song) {
    struct stat made {}, from {};
    if (stat(video.c_str(), &made) != 0 || stat(song.c_str(), &from) != 0 || !S_ISREG(made.st_mode)) return false;
    if (made.st_mtim.tv_sec != from.st_mtim.tv_sec) return made.st_mtim.tv_sec > from.st_mtim.tv_sec;
    return made.st_mtim.tv_nsec > from.st_mtim.tv_nsec;
}

std::string batchProgressLine(int done, int total, int failed, long long secondsLeft) {
    constexpr int kWidth = 10;
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * kWidth / total) : kWidth;
    char left[32] = "time left unknown";
    if (secondsLeft >= 0) {
        std::snprintf(left, sizeof left, "%lld:%02lld:%02lld left", secondsLeft / 3600, secondsLeft / 60 % 60,
                      secondsLeft % 60);
    }
    char line[160];
    std::snprintf(line, sizeof line, "[%.*s%*s] %d/%d songs, %d failed, %d to go, %s ", filled,
                  "==========", kWidth - filled, "", done, total, failed, total - done, left);
    return line;
}

int renderBatch(const RenderBatchRequest& request) {
    std::error_code error;
    std::filesystem::create_directories(request.outputFolder, error);
    if (!isFolder(request.outputFolder)) {
        diagnose("cannot make the folder '" + request.outputFolder + "': " + error.message());
        return 2;
    }
    const std::vector<BatchSong> planned =
        planBatch(songsToRender(request.places), request.outputFolder, request.format, request.shard);
    std::vector<const BatchSong*> toRender;
    for (const BatchSong& song : planned) {
        if (song.problem.empty() && !videoIsUpToDate(song.video, song.song)) toRender.push_back(&song);
    }
    BatchProgress progress(static_cast<int>(planned.size()), bytesOf(toRender));
    bool anyFailed = false;
    for (const BatchSong& song : planned) {
        if (!song.problem.empty()) {
            anyFailed = true;
            progress.songDone(song.song, false, true);
            progress.report("'" + song.song + "': " + song.problem);
        } else if (std::ranges::find(toRender, &song) == toRender.end()) {
            progress.songDone(song.song, false, false);
        }
    }
    progress.show();

    std::map<pid_t, Running> running;
    auto next = toRender.begin();
    while (next != toRender.end() || !running.empty()) {
        while (next != toRender.end() && static_cast<int>(running.size()) < std::max(1, request.jobs)) {
            if (!startChild(request.render, **next, running)) {
                diagnose(std::string("cannot start a render: ") + std::strerror(errno));
                if (running.empty()) return 2;
                break;
            }
            ++next;
        }
        int status = 0;
        const pid_t ended = waitpid(-1, &status, 0);
        if (ended < 0) {
            if (errno == EINTR) continue;
            break;
        }
        const auto child = running.find(ended);
        if (child == running.end()) continue;
        const std::string why = endOf(status, readReason(child->second.reasonPipe));
        close(child->second.reasonPipe);
        const BatchSong& song = *child->second.song;
        running.erase(child);
        anyFailed |= !why.empty();
        progress.songDone(song.song, why.empty(), !why.empty());
        // Most of the render's reasons name the song already.
        if (!why.empty()) progress.report(why.find(song.song) != std::string::npos ? why : "'" + song.song + "': " + why);
    }
    progress.finish();
    return anyFailed ? 1 : 0;
}
