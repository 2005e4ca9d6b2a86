#include "app/startup.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/frame_drawer.h"
#include "app/frame_loop.h"
#include "app/listening_source.h"
#include "app/desktop_player.h"
#include "app/program_places.h"
#include "app/settings_file.h"
#include "app/song_source.h"
#include "base/messages.h"
#include "base/random.h"
#include "media/music_folder.h"
#include "platform/desktop_background.h"
#include "platform/fullscreen.h"
#include "platform/gl_setup.h"
#include "platform/monitors.h"
#include "platform/program_window.h"
#include "platform/window_loop.h"

std::string takeProgramDirectory(char* argv0) {
    if (argv0 == nullptr) return "";
    char* lastSlash = std::strrchr(argv0, '/');
    if (lastSlash == nullptr) return "";
    lastSlash[1] = '\0';
    return argv0;
}

std::string mediaFolder(const std::string& programDirectory) { return programDirectory + "media/"; }

namespace {
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Where an installed program's demo songs are: share/viz/media beside the
// bin folder the executable is in, wherever the package put both.
std::string installedDemoFolder() {
    const std::string folder = executableFolder();
    return folder.empty() ? "" : folder + "/../share/viz/media";
}
}  // namespace

std::string defaultMusicFolder(const std::string& programDirectory) {
    return musicFolder({.besideProgram = mediaFolder(programDirectory),
                        .home = environment("HOME"),
                        .configHome = environment("XDG_CONFIG_HOME"),
                        .musicDirectory = environment("XDG_MUSIC_DIR"),
                        .installedDemos = installedDemoFolder()});
}

bool displayAnswers(const CommandLine& commandLine, std::string& name) {
    const auto& options = commandLine.windowOptions;
    for (std::size_t i = 0; i + 1 < options.size(); ++i) {
        if (options[i] == "-display") name = options[i + 1];
    }
    if (name.empty()) name = environment("DISPLAY");
    return displayOpens(name);
}

namespace {
// Plays the music, or follows what the desktop plays, and draws it until
// the user quits or the window is closed.
int runWindow(const CommandLine& commandLine, const std::string& programDirectory, const std::string& display) {
    SongSource songs;
    ListeningSource listening;
    FrameSource& source = commandLine.listen ? static_cast<FrameSource&>(listening) : songs;
    // Its figures come from the generator before it is seeded: the same
    // stars every run.
    FrameLoop frameLoop(source);
    seedRandom(millisecondTicks());
    // freeglut gets its own options and nothing else, and names the program
    // in its messages after the first word.
    WindowRequest window;
    window.glutWords.insert(window.glutWords.end(), commandLine.windowOptions.begin(),
                            commandLine.windowOptions.end());
    Monitor monitor;
    if (!commandLine.monitor.empty() || commandLine.background) {
        if (Problem problem = monitorOnDisplay(display, commandLine.monitor, monitor)) {
            diagnose(problem.message());
            return 2;
        }
        window.areaX = monitor.x;
        window.areaY = monitor.y;
        window.areaWidth = monitor.width;
        window.areaHeight = monitor.height;
    }
    openProgramWindow(window);
    if (commandLine.background) {
        if (Problem problem = makeDesktopBackground(monitor)) {
            diagnose(problem.message());
        } else {
            frameLoop.fullscreenAllowed = false;
        }
    }
    if (commandLine.fullscreen) setFullscreen(true);
    prepareFigures();
    if (Problem problem = shaderSupportProblem()) {
        diagnose(problem.message());
    } else {
        frameLoop.figures.shaderScenes.open(shaderSceneFolders());
    }
    WindowLoop loop(frameLoop);
    loop.pacer.setMaximumRate(commandLine.maximumFrameRate);
    loop.smoothEdges(commandLine.samples != kSamplesUnasked ? commandLine.samples
                     : softwareRasteriser()                ? 0
                                                           : kDefaultSamples);
    // Asked to start minimised, the window manager keeps the window unmapped
    // and no event says so; one that shows it says that too.
    if (window.startsMinimised()) loop.pacer.setWindowHidden();
    // The desktop's media controls steer songs; listening, viz is not the player.
    std::optional<DesktopPlayer> desktopPlayer;
    if (commandLine.listen) {
        listening.listen(commandLine.listenSource);
    } else {
        songs.open(commandLine.places, defaultMusicFolder(programDirectory), commandLine.order);
        songs.firstStartSeconds = commandLine.startSeconds;
        desktopPlayer.emplace(songs);
        desktopPlayer->fullscreenAllowed = frameLoop.fullscreenAllowed;
        desktopPlayer->publish();
        frameLoop.desktopPlayer = &*desktopPlayer;
    }
    loop.run();
    return 0;
}
}  // namespace

namespace {
// The songs into a folder; a job array's task renders its own share.
int renderIntoFolder(const CommandLine& commandLine) {
    RenderBatchRequest batch = commandLine.batch;
    if (!commandLine.shardGiven) {
        const auto variable = [](const char* name) { return std::getenv(name); };
        if (Problem problem = shardFromEnvironment(variable, commandLine.shardCount, batch.shard)) {
            diagnose(problem.message());
            return 2;
        }
    }
    return renderBatch(batch);
}
}  // namespace

int runProgram(int argc, char** argv) {
    const std::string programDirectory = argc > 0 ? takeProgramDirectory(argv[0]) : "";
    // Help, the version and mistakes are answered before any window opens,
    // so they need no display.
    const CommandLine commandLine = parseWithSettingsFile(
        argc, argv, settingsFilePath(environment("XDG_CONFIG_HOME"), environment("HOME")));
    switch (commandLine.action) {
        case CommandLine::Action::ShowHelp:
            std::fputs(usageText().c_str(), stdout);
            return 0;
        case CommandLine::Action::ShowVersion:
            std::printf("viz %s\n", VIZ_VERSION);
            return 0;
        case CommandLine::Action::Refuse:
            diagnose(commandLine.error);
            if (commandLine.showUsage) std::fputs(usageText().c_str(), stderr);
            return 2;
        case CommandLine::Action::Render:
            if (Problem problem = renderVideo(commandLine.render)) {
                diagnose(problem.message());
                return 2;
            }
            return 0;
        case CommandLine::Action::RenderBatch:
            return renderIntoFolder(commandLine);
        case CommandLine::Action::Run:
            break;
    }
    std::string display;
    if (!displayAnswers(commandLine, display)) {
        if (commandLine.background) {
            diagnose("--background draws behind the windows of an X11 desktop, and this session has none" +
                     (display.empty() ? std::string() : " ('" + display + "' does not answer)"));
            return 2;
        }
        diagnose("no display to open the window on" + (display.empty() ? std::string() : " ('" + display + "')") +
                 "; viz --render OUT SONG makes a video without one");
        return 1;
    }
    return runWindow(commandLine, programDirectory, display);
}
