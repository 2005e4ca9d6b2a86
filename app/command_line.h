#pragma once
// The command line: `viz [FOLDER]`, `viz --render OUT SONG`, --help and
// --version, options anywhere. The X options freeglut takes (-display NAME,
// -sync, ...) are set aside for glutInit; operands never reach it.
#include <string>
#include <vector>

#include "app/render.h"

struct CommandLine {
    enum class Action { Run, Render, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Run;
    std::string folder;  // the music to play; empty: the media folder beside the program
    RenderRequest render;  // for Render
    std::vector<std::string> windowOptions;  // for glutInit, values included
    std::string error;   // why it was refused, one line
    bool showUsage = false;  // a refusal that the usage explains
};

// Reads the arguments after the program's name.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The usage text: the argument, the options and the controls.
std::string usageText();

// Checks that `folder` can be scanned: "" when it can, else a one-line reason.
std::string folderProblem(const std::string& folder);

// Acts on --help, --version, --render and refusals (printing, rendering,
// and exiting with 0 or 2); returns for a run.
void answerCommandLine(const CommandLine& commandLine);
