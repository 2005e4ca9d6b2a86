#include "app/startup.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/frame_loop.h"
#include "app/gl_setup.h"
#include "app/input.h"
#include "app/program_window.h"
#include "base/messages.h"
#include "base/random.h"
#include "audio/sound_engine.h"
#include "media/playback.h"

std::string takeProgramDirectory(char* argv0) {
    if (argv0 == nullptr) return "";
    char* lastSlash = std::strrchr(argv0, '/');
    if (lastSlash == nullptr) return "";
    lastSlash[1] = '\0';
    return argv0;
}

std::string mediaFolder(const std::string& programDirectory) { return programDirectory + "media/"; }

void registerCallbacks() {
    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyDown);
    glutIdleFunc(onIdle);
    glutMouseFunc(onMouse);
    glutPassiveMotionFunc(onPassiveMotion);
    glutSpecialUpFunc(onSpecialKeyUp);
    glutKeyboardUpFunc(onKeyUp);
}

namespace {
// Plays the music and draws it until the user quits.
[[noreturn]] void runWindow(const CommandLine& commandLine, const std::string& programDirectory) {
    seedRandom(millisecondTicks());
    // freeglut gets its own options and nothing else, and names the program
    // in its messages after the first word.
    WindowRequest window;
    window.glutWords.insert(window.glutWords.end(), commandLine.windowOptions.begin(),
                            commandLine.windowOptions.end());
    openProgramWindow(window);
    registerCallbacks();
    if (commandLine.listen) {
        frameLoop.listener = Listener::open(commandLine.listenSource);
    } else {
        playback.loadMediaLibrary(commandLine.folder.empty() ? mediaFolder(programDirectory) : commandLine.folder);
        // Before the first frame, so finding the sound output never holds one up.
        soundEngine.open();
    }
    glutMainLoop();
    std::exit(0);  // freeglut returns only when told to; the program never does
}
}  // namespace

int runProgram(int argc, char** argv) {
    const std::string programDirectory = argc > 0 ? takeProgramDirectory(argv[0]) : "";
    // Help, the version and mistakes are answered before any window opens,
    // so they need no display.
    const CommandLine commandLine = parseCommandLine(argc, argv);
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
        case CommandLine::Action::Run:
            break;
    }
    runWindow(commandLine, programDirectory);
}
