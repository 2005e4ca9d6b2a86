// A stream driven by a simulated device: the test plays the audio callback,
// with its own clock, so device latency and rates no sound card here has
// can be tried.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <thread>
#include <vector>

#include "output/stream.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
struct DeviceRun {
    std::int64_t endNs = -1;  // when the stream stopped being active
    std::int64_t framesHanded = 0;
};

// Waits for the stream's own thread to open the file.
Stream::State opened(const Stream& stream) {
    const auto start = std::chrono::steady_clock::now();
    while (stream.state() == Stream::State::Opening &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return stream.state();
}

// Calls render once per device buffer of simulated time until the stream
// ends, at the pace of a real device, so the decoder keeps up as it must
// with one. Each buffer plays `latencyNs` after it is handed over.
DeviceRun runDevice(Stream& stream, const DeviceFormat& device, int bufferFrames, std::int64_t latencyNs) {
    std::vector<float> buffer(bufferFrames * device.channels);
    const std::int64_t period = static_cast<std::int64_t>(bufferFrames * 1e9 / device.rate);
    DeviceRun run;
    for (std::int64_t now = 0; now < 10'000'000'000; now += period) {
        if (!stream.isActive(now)) {
            run.endNs = now;
            break;
        }
        stream.render(buffer.data(), bufferFrames, now + latencyNs);
        std::this_thread::sleep_for(std::chrono::nanoseconds(period));
    }
    run.framesHanded = stream.clock().framesHanded();
    return run;
}
}  // namespace

TEST(Stream, EndsOnceItsLastFrameIsHeardThroughTheDevicesLatency) {
    mp3::TempFolder folder;
    ASSERT_TRUE(mp3::write(folder / "half.mp3", 0.5, mp3::sine(440, 0.5)));
    const DeviceFormat device{44100, 2};
    auto stream = Stream::open(folder / "half.mp3", device);
    ASSERT_NE(stream, nullptr);
    stream->play();
    ASSERT_EQ(opened(*stream), Stream::State::Playable);

    // A real device: one buffer queued ahead of the one playing.
    const DeviceRun run = runDevice(*stream, device, 1024, 1024 * 1'000'000'000LL / 44100);
    ASSERT_GE(run.endNs, 0) << "the song never ended";
    EXPECT_EQ(run.framesHanded, 22050);
    const double endSeconds = run.endNs / 1e9;
    const double buffer = 1024.0 / 44100;
    EXPECT_GE(endSeconds, 0.5 + buffer - 1e-6) << "ended before its last frame was heard";
    EXPECT_LE(endSeconds, 0.5 + 3 * buffer);
}

TEST(Stream, PlaysAFileWhoseRateIsFarBelowTheDevices) {
    mp3::TempFolder folder;
    mp3::Options options;
    options.format = {8000, 1, false, 32};
    ASSERT_TRUE(mp3::write(folder / "phone.mp3", 1.0, mp3::sine(300, 0.5), options));
    const DeviceFormat device{96000, 2};
    auto stream = Stream::open(folder / "phone.mp3", device);
    ASSERT_NE(stream, nullptr);
    stream->play();
    ASSERT_EQ(opened(*stream), Stream::State::Playable);

    const DeviceRun run = runDevice(*stream, device, 2048, 0);
    ASSERT_GE(run.endNs, 0) << "the song never ended";
    EXPECT_NEAR(run.framesHanded, 96000, 960) << "one second at the device's rate";
}

TEST(Stream, AStopWakesADecoderThatIsWaitingForRoom) {
    mp3::TempFolder folder;
    ASSERT_TRUE(mp3::write(folder / "long.mp3", 10.0, mp3::sine(440, 0.5)));
    // Nothing plays, so the ring fills and the decoder sleeps until the
    // output would have made room: a fifth of a second.
    std::vector<double> closeMs;
    for (int i = 0; i < 5; ++i) {
        auto stream = Stream::open(folder / "long.mp3", DeviceFormat{44100, 2});
        ASSERT_EQ(opened(*stream), Stream::State::Playable);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const auto start = std::chrono::steady_clock::now();
        stream.reset();
        closeMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(closeMs.begin(), closeMs.end());
    EXPECT_LT(closeMs[2], 30.0) << "median time to close a stream, ms";
}

namespace {
std::size_t addressSpaceInUse() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    std::size_t kilobytes = 0;
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmSize: %zu kB", &kilobytes) == 1) break;
    }
    if (status != nullptr) std::fclose(status);
    return kilobytes * 1024;
}

// In a child process: the address space limited and nearly all of it taken,
// `leftKb` given back; then a song is opened. The exit status says how it
// went: 0 refused, 1 playable, 3 no thread could start.
[[noreturn]] void openWithMemoryLeft(const std::string& path, std::size_t leftKb) {
    constexpr std::size_t kBlock = 256 * 1024;  // above malloc's mmap threshold: freeing gives it back
    const std::size_t room = addressSpaceInUse() + (std::size_t{256} << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(4);
    std::vector<void*> taken;
    taken.reserve(8192);
    while (taken.size() < taken.capacity()) {
        void* block = std::malloc(kBlock);
        if (block == nullptr) break;
        taken.push_back(block);
    }
    for (std::size_t given = 0; given < leftKb * 1024 && !taken.empty(); given += kBlock) {
        std::free(taken.back());
        taken.pop_back();
    }
    const auto stream = Stream::open(path, DeviceFormat{44100, 2});
    if (!stream) _exit(3);
    const Stream::State state = opened(*stream);
    _exit(state == Stream::State::Unplayable ? 0 : state == Stream::State::Playable ? 1 : 2);
}
}  // namespace

// Memory runs out while a song opens, wherever it happens to: the song is
// refused and the program goes on. A throw out of the stream's thread would
// end it.
TEST(Stream, ASongThatCannotGetMemoryIsRefusedAndTheProgramGoesOn) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory needs an address space without limit";
#endif
    mp3::TempFolder folder;
    const std::string path = folder / "song.flac";
    ASSERT_TRUE(songs::write(path, 1.0, mp3::sine(440, 0.5)));
    int refused = 0;
    for (std::size_t leftKb = 8192; leftKb <= 16384; leftKb += 256) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) openWithMemoryLeft(path, leftKb);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << leftKb << " KB left: ended by signal " << WTERMSIG(status);
        refused += WEXITSTATUS(status) == 0 ? 1 : 0;
    }
    EXPECT_GT(refused, 0) << "memory never ran out while a song opened";
}
