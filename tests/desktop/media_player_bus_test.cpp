// The media player service on a private session bus, driven as the desktop
// drives it: by playerctl (and busctl for what playerctl never asks). The
// test's thread is the frame loop, serving the bus every few milliseconds
// while the client runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "desktop/media_player_bus.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
// Clients are killed by `timeout` long before this; a busy machine may be
// slow to start them, never this slow.
constexpr auto kPatience = std::chrono::seconds(30);

class Recorder : public PlayerCommands {
public:
    std::vector<std::string> calls;
    std::int64_t position = 12'500'000;

    void play() override { calls.push_back("play"); }
    void pause() override { calls.push_back("pause"); }
    void stop() override { calls.push_back("stop"); }
    void next() override { calls.push_back("next"); }
    void previous() override { calls.push_back("previous"); }
    void seekTo(std::int64_t positionUs) override { calls.push_back("seekTo " + std::to_string(positionUs)); }
    std::int64_t positionUs() override { return position; }
    void setVolume(double volume) override { calls.push_back("setVolume " + std::to_string(volume)); }
    void setShuffle(bool shuffle) override { calls.push_back(shuffle ? "setShuffle on" : "setShuffle off"); }
    void setFullscreen(bool fullscreen) override { calls.push_back(fullscreen ? "fullscreen on" : "fullscreen off"); }
    void raise() override { calls.push_back("raise"); }
    void quit() override { calls.push_back("quit"); }
};

PlayerStatus playing() {
    PlayerStatus status;
    status.state = PlaybackState::Playing;
    status.track = {"/viz/song/7", 180'000'000, "Night Drive", "Ana Ruiz", "Live \xff", "file:///music/night.mp3",
                    "file:///music/cover.png"};
    status.volume = 0.75;
    status.hasSongs = true;
    status.canSetFullscreen = true;
    return status;
}

// A client with its standard output and error in one pipe, read without
// blocking so the frames go on.
class Client {
public:
    explicit Client(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"timeout", "15"});
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 2);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        out = ends[0];
        fcntl(out, F_SETFL, O_NONBLOCK);
    }
    ~Client() {
        if (pid > 0 && !status) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0) ::close(out);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Takes what it printed since; true once it has ended and all is read.
    bool poll() {
        char buffer[4096];
        ssize_t got = 0;
        while (out >= 0 && (got = read(out, buffer, sizeof buffer)) > 0) output.append(buffer, got);
        if (got == 0 && pid > 0 && !status) {
            int code = 0;
            if (waitpid(pid, &code, 0) == pid) status = code;
        }
        return pid <= 0 || status.has_value();
    }
    bool succeeded() const { return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0; }

    std::string output;

private:
    pid_t pid = -1;
    int out = -1;
    std::optional<int> status;
};

// Serves frames until `done`, or for at most kPatience.
template <typename Done>
bool serveUntil(MediaPlayerBus& bus, const PlayerStatus& status, Done done) {
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        bus.serve(status);
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    return false;
}

class MediaPlayerBusTest : public testing::Test {
protected:
    // A bus of the test's own: nothing on it but what the test puts there.
    // It dies with the test, even one killed for taking too long.
    static void SetUpTestSuite() {
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
        daemonPid = fork();
        if (daemonPid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(ends[1], 1);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr);
            _exit(127);
        }
        ::close(ends[1]);
        FILE* daemon = fdopen(ends[0], "r");
        char address[512] = {};
        const bool started = daemon != nullptr && fgets(address, sizeof address, daemon) != nullptr;
        if (daemon != nullptr) fclose(daemon);
        ASSERT_TRUE(started) << "dbus-daemon did not start";
        address[std::strcspn(address, "\n")] = '\0';
        setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
    }
    static void TearDownTestSuite() {
        if (daemonPid <= 0) return;
        kill(daemonPid, SIGTERM);
        waitpid(daemonPid, nullptr, 0);
    }

    // Runs a client to its end while the bus is served; what it printed.
    std::string run(std::vector<std::string> arguments, bool* succeeded = nullptr) {
        Client client(std::move(arguments));
        EXPECT_TRUE(serveUntil(bus, status, [&] { return client.poll(); })) << "the client never ended";
        if (succeeded != nullptr) *succeeded = client.succeeded();
        while (!client.output.empty() && client.output.back() == '\n') client.output.pop_back();
        return client.output;
    }
    std::string playerctl(const std::string& command, const std::string& argument = "") {
        std::vector<std::string> arguments{"playerctl", "-p", "viz", command};
        if (!argument.empty()) arguments.push_back(argument);
        return run(arguments);
    }
    std::vector<std::string> busctl(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"busctl", "--user"});
        arguments.insert(arguments.begin() + 3, {"org.mpris.MediaPlayer2.viz", "/org/mpris/MediaPlayer2"});
        return arguments;
    }

    static inline pid_t daemonPid = -1;
    Recorder player;
    PlayerStatus status = playing();
    MediaPlayerBus bus{player, "viz-desktop-entry"};
};

TEST_F(MediaPlayerBusTest, DesktopSeesTheSongAndThePlayer) {
    ASSERT_TRUE(bus.publish(status));
    EXPECT_EQ(run({"playerctl", "--list-all"}), "viz");
    // The album's stray byte would make D-Bus refuse the whole answer.
    EXPECT_EQ(playerctl("metadata", "--format={{mpris:trackid}}|{{title}}|{{artist}}|{{album}}|{{mpris:length}}|"
                                    "{{mpris:artUrl}}|{{xesam:url}}"),
              "'/viz/song/7'|Night Drive|Ana Ruiz|Live \xEF\xBF\xBD|180000000|file:///music/cover.png|"
              "file:///music/night.mp3");
    EXPECT_EQ(playerctl("status"), "Playing");
    // playerctl adds the time since it asked.
    EXPECT_EQ(playerctl("position").substr(0, 4), "12.5");
    EXPECT_EQ(playerctl("volume"), "0.750000");
    EXPECT_EQ(run(busctl({"get-property", "org.mpris.MediaPlayer2", "DesktopEntry"})), "s \"viz-desktop-entry\"");

    // A song without length or cover says nothing of them.
    status.track = {"/viz/song/8", 0, "Untitled", "", "", "file:///music/x.ogg", ""};
    EXPECT_EQ(playerctl("metadata", "--format={{mpris:trackid}}|{{title}}|{{artist}}|{{mpris:length}}|"
                                    "{{mpris:artUrl}}"),
              "'/viz/song/8'|Untitled|||");
    EXPECT_TRUE(player.calls.empty());
}

TEST_F(MediaPlayerBusTest, EachCommandReachesThePlayer) {
    ASSERT_TRUE(bus.publish(status));
    playerctl("next");
    playerctl("previous");
    playerctl("play-pause");  // playing: a pause
    playerctl("stop");
    playerctl("position", "20");   // to 20 s in
    playerctl("position", "5+");   // 12.5 s + 5 s
    playerctl("position", "20-");  // before the start: the start
    playerctl("position", "500+");  // past the end: the next song
    playerctl("volume", "0.5");
    playerctl("volume", "1.5");  // as loud as it goes
    playerctl("shuffle", "On");
    run(busctl({"set-property", "org.mpris.MediaPlayer2", "Fullscreen", "b", "true"}));
    run(busctl({"call", "org.mpris.MediaPlayer2", "Raise"}));
    run(busctl({"call", "org.mpris.MediaPlayer2", "Quit"}));
    // A stale song's position, and one past the song's end: nothing to do.
    run(busctl({"call", "org.mpris.MediaPlayer2.Player", "SetPosition", "ox", "/viz/song/6", "1000000"}));
    run(busctl({"call", "org.mpris.MediaPlayer2.Player", "SetPosition", "ox", "/viz/song/7", "190000000"}));
    bool succeeded = true;
    const std::string refusal =
        run(busctl({"call", "org.mpris.MediaPlayer2.Player", "OpenUri", "s", "file:///etc/passwd"}), &succeeded);
    EXPECT_FALSE(succeeded) << refusal;

    EXPECT_EQ(player.calls, (std::vector<std::string>{"next", "previous", "pause", "stop", "seekTo 20000000",
                                                      "seekTo 17500000", "seekTo 0", "next", "setVolume 0.500000",
                                                      "setVolume 1.000000", "setShuffle on", "fullscreen on", "raise",
                                                      "quit"}));

    player.calls.clear();
    status.state = PlaybackState::Paused;
    playerctl("play-pause");
    status.canSetFullscreen = false;
    bool accepted = true;
    run(busctl({"set-property", "org.mpris.MediaPlayer2", "Fullscreen", "b", "false"}), &accepted);
    EXPECT_FALSE(accepted) << "a refused change must not be reported as done";
    // Without songs there is nothing to go to, play or seek in.
    status.hasSongs = false;
    playerctl("next");
    playerctl("play");
    playerctl("position", "5");
    EXPECT_EQ(player.calls, std::vector<std::string>{"play"});
}

TEST_F(MediaPlayerBusTest, ChangesReachTheDesktopAsTheyHappen) {
    ASSERT_TRUE(bus.publish(status));
    Client follower({"playerctl", "-p", "viz", "--follow", "metadata", "--format", "{{status}} {{title}} {{volume}}"});
    const auto shows = [&](const std::string& line) {
        return [&follower, line] {
            follower.poll();
            return follower.output.find(line + "\n") != std::string::npos;
        };
    };
    ASSERT_TRUE(serveUntil(bus, status, shows("Playing Night Drive 0.75"))) << follower.output;
    status.state = PlaybackState::Paused;
    ASSERT_TRUE(serveUntil(bus, status, shows("Paused Night Drive 0.75"))) << follower.output;
    status.track.title = "Morning";
    ASSERT_TRUE(serveUntil(bus, status, shows("Paused Morning 0.75"))) << follower.output;
    status.volume = 0.25;
    ASSERT_TRUE(serveUntil(bus, status, shows("Paused Morning 0.25"))) << follower.output;
}

TEST_F(MediaPlayerBusTest, SignalsOnlyWhatChanged) {
    ASSERT_TRUE(bus.publish(status));
    Client monitor({"dbus-monitor", "--session", "type='signal',member='Seeked'",
                    "type='signal',member='PropertiesChanged'"});
    const auto count = [&](const std::string& text) {
        std::size_t found = 0;
        for (auto at = monitor.output.find(text); at != std::string::npos; at = monitor.output.find(text, at + 1)) {
            ++found;
        }
        return found;
    };
    // Seeked until the monitor hears it: from then on it hears everything.
    ASSERT_TRUE(serveUntil(bus, status, [&] {
        bus.seeked(30'000'000);
        monitor.poll();
        return count("int64 30000000") > 0;
    })) << monitor.output;
    for (int frame = 0; frame < 20; ++frame) bus.serve(status);
    status.shuffle = true;
    status.fullscreen = true;
    ASSERT_TRUE(serveUntil(bus, status, [&] {
        monitor.poll();
        return count("member=PropertiesChanged") == 2;
    })) << monitor.output;
    for (int frame = 0; frame < 20; ++frame) bus.serve(status);
    // One more Seeked marks the end of what the frames sent.
    ASSERT_TRUE(serveUntil(bus, status, [&] {
        bus.seeked(40'000'000);
        monitor.poll();
        return count("int64 40000000") > 0;
    })) << monitor.output;
    EXPECT_EQ(count("member=PropertiesChanged"), 2u) << monitor.output;
    EXPECT_EQ(count("\"Shuffle\""), 1u) << monitor.output;
    EXPECT_EQ(count("\"Fullscreen\""), 1u) << monitor.output;
}

TEST_F(MediaPlayerBusTest, ASecondPlayerIsRefusedTheName) {
    ASSERT_TRUE(bus.publish(status));
    Recorder otherPlayer;
    MediaPlayerBus other(otherPlayer, "viz");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(other.publish(status));
    other.serve(status);
    other.seeked(1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(other.published());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(said.rfind("viz: ", 0), 0u) << said;
    // The first goes on answering.
    EXPECT_EQ(playerctl("status"), "Playing");
}

TEST(MediaPlayerBusAlone, WithoutASessionBusSaysSoOnce) {
    const char* before = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string saved = before != nullptr ? before : "";
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/viz-test-bus", 1);
    Recorder player;
    {
        MediaPlayerBus bus(player, "viz");
        testing::internal::CaptureStderr();
        EXPECT_FALSE(bus.publish(playing()));
        bus.serve(playing());
        bus.seeked(5);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(bus.published());
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("viz: no session bus"), std::string::npos) << said;
    }
    if (before != nullptr) {
        setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}
}  // namespace
