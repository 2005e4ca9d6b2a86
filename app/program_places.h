#pragma once
// Where the program finds what comes with it and what the user adds.
#include <string>
#include <vector>

// The folder the running executable is in, without a trailing slash.
std::string executableFolder();

// The folders shader scenes come from, the first winning a name: the
// user's ($XDG_CONFIG_HOME/viz/scenes, else ~/.config/viz/scenes), the
// build's (scenes/ beside the executable), the installed ones
// (share/viz/scenes beside its bin folder).
std::vector<std::string> shaderSceneFolders();
