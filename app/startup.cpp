#include "app/startup.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/frame_loop.h"
#include "app/gl_setup.h"
#include "app/input.h"
#include "base/random.h"
#include "audio/sound_engine.h"
#include "media/media_library.h"

std::string programDirectory;

void takeProgramDirectory(char* argv0) {
    if (argv0 == nullptr) return;
    char* lastSlash = std::strrchr(argv0, '/');
    if (lastSlash == nullptr) return;
    lastSlash[1] = '\0';
    programDirectory = argv0;
}

std::string mediaFolder() { return programDirectory + "media/"; }

void openProgramWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow(":]");
    // X11 repeats a held key as press/release pairs; one press must be one step.
    glutIgnoreKeyRepeat(1);
    initGL();
}

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

void runProgram(int argc, char** argv) {
    if (argc > 0) takeProgramDirectory(argv[0]);
    // Help, the version and mistakes are answered before any window opens,
    // so they need no display.
    const CommandLine commandLine = parseCommandLine(argc, argv);
    answerCommandLine(commandLine);
    seedRandom(millisecondTicks());
    // freeglut gets its own options and nothing else, and names the program
    // in its messages after the first word.
    std::vector<std::string> glutWords = {"viz"};
    glutWords.insert(glutWords.end(), commandLine.windowOptions.begin(), commandLine.windowOptions.end());
    std::vector<char*> glutArguments;
    for (std::string& word : glutWords) glutArguments.push_back(word.data());
    glutArguments.push_back(nullptr);
    int glutCount = static_cast<int>(glutWords.size());
    openProgramWindow(&glutCount, glutArguments.data());
    registerCallbacks();
    loadMediaLibrary(commandLine.folder.empty() ? mediaFolder() : commandLine.folder);
    // Before the first frame, so finding the sound output never holds one up.
    soundEngine.open();
    glutMainLoop();
    std::exit(0);  // freeglut returns only when told to; the program never does
}
