#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include "audio/playback.h"
#include "audio/sound_engine.h"
#include "tools/mp3_maker.h"

namespace {
int openFileDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Runs `body` in a child process and returns how it ended: its exit status,
// or -1 for a crash or a hang of more than five seconds.
template <typename Body>
int exitStatusOf(Body body) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        body();
        std::_Exit(99);  // the body must have called exit()
    }
    for (int waited = 0; waited < 500; ++waited) {
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
    soundEngine.initialise();
    soundEngine.start();

    auto cycle = [&] {
        const StreamHandle handle = soundEngine.createStream(path);
        ASSERT_NE(handle, 0u);
        soundEngine.play(handle);
        soundEngine.free(handle);
        ASSERT_FALSE(soundEngine.isActive(handle));
    };
    for (int i = 0; i < 50; ++i) cycle();  // allocator and library caches settle
    const int files = openFileDescriptors();
    const long memory = residentKilobytes();
    for (int i = 0; i < 1000; ++i) cycle();
    EXPECT_EQ(openFileDescriptors(), files);
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer holds freed memory back on purpose
    EXPECT_LT(residentKilobytes() - memory, 2048) << "kilobytes grown over 1000 cycles";
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
                  playSong(path.c_str());
                  std::this_thread::sleep_for(std::chrono::milliseconds(300));
                  std::exit(0);
              }),
              0)
        << "while a song plays";
    EXPECT_EQ(exitStatusOf([&] {
                  playSong(path.c_str());
                  playSong(path.c_str());
                  std::exit(0);
              }),
              0)
        << "right after a song change";
}
