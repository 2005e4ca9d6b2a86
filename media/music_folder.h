#pragma once
// Where the music is when no folder is named: the media folder beside the
// program when there is one (a build, or a copy carried around with its
// songs); otherwise the user's music folder (XDG_MUSIC_DIR, from the
// environment or xdg-user-dirs' user-dirs.dirs, else ~/Music) when it exists;
// otherwise the demo songs installed with the program.
#include <string>

struct MusicPlaces {
    std::string besideProgram{};   // the media folder beside the program
    std::string home{};            // $HOME
    std::string configHome{};      // $XDG_CONFIG_HOME, or "" for ~/.config
    std::string musicDirectory{};  // $XDG_MUSIC_DIR, or ""
    std::string installedDemos{};  // the demo songs' folder of an installed program
};

std::string musicFolder(const MusicPlaces& places);

// The user's music folder as xdg-user-dirs names it, whether or not it
// exists; "" when there is no home to put it in.
std::string userMusicFolder(const MusicPlaces& places);
