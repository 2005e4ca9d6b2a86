#include <dirent.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);

int entriesIn(const char* folder) {
    int count = 0;
    DIR* dir = opendir(folder);
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}
int openFileDescriptors() { return entriesIn("/proc/self/fd"); }

int threadCount() { return entriesIn("/proc/self/task"); }

// Freed streams close in the background: waits until no more than `threads`
// and `files` are left (a stream's file closes just after its thread ends).
void waitForClosedStreams(int threads, int files = 1 << 30) {
    for (int wait = 0; wait < 1000 && (threadCount() > threads || openFileDescriptors() > files); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Bytes the program holds from malloc: what a leak grows. Resident memory
// would also count what the allocator keeps cached, per thread arena, after
// many short-lived decoder threads.
long long bytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

// How long a child may take before it counts as hung. Without a sound
// server, SDL looks through ALSA's devices on a thread of its own and waits
// for it when the sound card fails to open: under ThreadSanitizer, beside
// another test, that alone was measured at about 15 seconds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kHangSeconds = 90;
#else
constexpr int kHangSeconds = 15;
#endif

// Runs `body` in a child process and returns how it ended: its exit status,
// or -1 for a crash or a hang.
template <typename Body>
int exitStatusOf(Body body) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        body();
        std::_Exit(99);  // the body must have called exit()
    }
    for (int waited = 0; waited < kHangSeconds * 100; ++waited) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}
}  // namespace

TEST(SoundEngine, CreateAndFreeCyclesLeaveMemoryAndFilesFlat) {
    mp3::TempFolder folder;
    const std::string path = folder / "song.mp3";
    ASSERT_TRUE(mp3::write(path, 2.0, mp3::sine(440, 0.5)));
    // The silent output: the streams are counted here, not the sockets a
    // sound-server output opens while it looks for a server.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    soundEngine.initialise();
    soundEngine.start();

    auto cycle = [&] {
        const StreamHandle handle = soundEngine.createStream(path);
        ASSERT_NE(handle, 0u);
        soundEngine.play(handle);
        soundEngine.free(handle);
        ASSERT_FALSE(soundEngine.isActive(handle));
    };
    // The main thread, the output's and the closer's.
    const int threads = threadCount() + 1;
    // Allocator arenas and library caches settle: every decoder thread may
    // get an arena of its own.
    for (int i = 0; i < 1000; ++i) cycle();
    waitForClosedStreams(threads);
    // Each freed stream still opens its file, to say whether it plays; the
    // closer may be some files behind its threads. Until the count holds.
    int files = openFileDescriptors();
    for (int steady = 0, tries = 0; steady < 5 && tries < 200; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const int now = openFileDescriptors();
        steady = now == files ? steady + 1 : 0;
        files = now;
    }
    const long long memory = bytesInUse();
    for (int i = 0; i < 1000; ++i) cycle();
    waitForClosedStreams(threads, files);
    EXPECT_EQ(openFileDescriptors(), files);
    EXPECT_EQ(threadCount(), threads);
// The sanitizers bring allocators of their own.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(bytesInUse() - memory, 64 * 1024) << "bytes grown over 1000 cycles; a stream is ~600 KB";
#else
    (void)memory;
#endif
}

TEST(SoundEngine, FreedAndUnknownHandlesAreInactive) {
    EXPECT_FALSE(soundEngine.isActive(0));
    EXPECT_FALSE(soundEngine.isActive(12345));
    soundEngine.free(0);
    soundEngine.free(12345);
    EXPECT_FALSE(soundEngine.play(0));
}

TEST(SoundEngine, QuittingIsCleanWhetherASongPlaysOrNot) {
    mp3::TempFolder folder;
    const std::string path = folder / "song.mp3";
    ASSERT_TRUE(mp3::write(path, 5.0, mp3::whiteNoise(0.5)));

    EXPECT_EQ(exitStatusOf([] { std::exit(0); }), 0) << "no song";
    EXPECT_EQ(exitStatusOf([&] {
                  playback.playSong(path.c_str());
                  std::this_thread::sleep_for(std::chrono::milliseconds(300));
                  std::exit(0);
              }),
              0)
        << "while a song plays";
    EXPECT_EQ(exitStatusOf([&] {
                  playback.playSong(path.c_str());
                  playback.playSong(path.c_str());
                  std::exit(0);
              }),
              0)
        << "right after a song change";
}

namespace {
// How a child that plays a song ends when sent `signal`, and how soon.
struct SignalEnd {
    bool byThatSignal = false;
    double seconds = 0;
};

SignalEnd endBySignal(int signal, const std::string& song) {
    int ready[2];
    if (pipe(ready) != 0) return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        playback.playSong(song.c_str());
        while (!playback.settleSongStart()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (write(ready[1], "x", 1) != 1) std::_Exit(98);
        for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    const bool started = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the song plays on
    const auto sent = std::chrono::steady_clock::now();
    kill(child, signal);
    SignalEnd end;
    for (;;) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            end.byThatSignal = started && WIFSIGNALED(status) && WTERMSIG(status) == signal;
            break;
        }
        end.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
        if (end.seconds > 5) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return end;
}
}  // namespace

// Ctrl+C, kill and a closed terminal end the program while a song plays, on
// a sound card SDL drives (its file-writing driver stands in for one here)
// and on the silent output.
TEST(SoundEngine, InterruptTerminateAndHangUpEndThePlayingProgram) {
    mp3::TempFolder folder;
    const std::string path = folder / "song.mp3";
    ASSERT_TRUE(mp3::write(path, 10.0, mp3::whiteNoise(0.5)));
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    for (const char* driver : {"disk", "dummy"}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            const SignalEnd end = endBySignal(signal, path);
            EXPECT_TRUE(end.byThatSignal) << driver << ", signal " << signal;
            EXPECT_LT(end.seconds, 0.5) << driver << ", signal " << signal;
        }
    }
}
