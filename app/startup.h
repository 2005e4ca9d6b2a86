#pragma once
#include <string>

// The executable's folder with its trailing '/', or empty for a bare name.
extern std::string programDirectory;

// Cuts argv0 in place right after its last '/' and keeps that folder in
// programDirectory; a name without '/' is left alone.
void takeProgramDirectory(char* argv0);

// The media folder beside the program: played when no folder is named.
std::string mediaFolder();

// glutInit, the double-buffered 500x500 ":]" window and its GL state.
void openProgramWindow(int* argc, char** argv);
void registerCallbacks();

// The whole start-up; enters the GLUT main loop and does not return.
[[noreturn]] void runProgram(int argc, char** argv);
