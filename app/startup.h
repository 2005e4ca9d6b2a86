#pragma once
#include <string>

// Cuts argv0 in place right after its last '/' and returns that folder,
// the executable's, with its trailing '/'; "" for a bare name, left alone.
std::string takeProgramDirectory(char* argv0);

// The media folder beside the program in `programDirectory`: played when
// no folder is named.
std::string mediaFolder(const std::string& programDirectory);

// The folder played when none is named (see media/music_folder.h).
std::string defaultMusicFolder(const std::string& programDirectory);

struct CommandLine;
// Whether the display the window would open on (-display NAME, else
// $DISPLAY) answers; `name` is set to it.
bool displayAnswers(const CommandLine& commandLine, std::string& name);

// The whole program: answers the command line, renders, or opens the
// window and runs until the user quits. Returns the exit status.
int runProgram(int argc, char** argv);
