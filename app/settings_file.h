#pragma once
// The settings file: one long option a line without its dashes
// ("max-fps=60", "fullscreen", "listen=alsa_output.usb.monitor",
// "samples=4"), read as the command line reads it. Blank lines and lines
// that start with '#' say nothing. What the command line gives wins.
#include <string>

#include "app/command_line.h"

// $XDG_CONFIG_HOME/viz/viz.conf, else ~/.config/viz/viz.conf.
std::string settingsFilePath(const std::string& configHome, const std::string& home);

// The command line `argv` parsed with the file's settings under it: each
// setting the command line leaves open counts as given before it. A line
// the command line would refuse refuses the whole, as "FILE:LINE: why". A
// missing file changes nothing.
CommandLine parseWithSettingsFile(int argc, const char* const* argv, const std::string& path);
