#include "media/music_folder.h"

#include <sys/stat.h>

#include <fstream>

namespace {
bool isFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A value of user-dirs.dirs: "$HOME/Music" or "/an/absolute/path", quoted,
// as xdg-user-dirs writes it; "" for anything else.
std::string userDirsValue(const std::string& quoted, const std::string& home) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return "";
    const std::string value = quoted.substr(1, quoted.size() - 2);
    if (value.rfind("$HOME/", 0) == 0) return home + value.substr(5);
    if (value == "$HOME") return home;
    return value.rfind('/', 0) == 0 ? value : "";
}

std::string musicInUserDirs(const MusicPlaces& places) {
    const std::string config = places.configHome.empty() ? places.home + "/.config" : places.configHome;
    std::ifstream dirs(config + "/user-dirs.dirs");
    const std::string key = "XDG_MUSIC_DIR=";
    for (std::string line; std::getline(dirs, line);) {
        if (line.rfind(key, 0) == 0) return userDirsValue(line.substr(key.size()), places.home);
    }
    return "";
}
}  // namespace

std::string userMusicFolder(const MusicPlaces& places) {
    if (!places.musicDirectory.empty()) return places.musicDirectory;
    if (places.home.empty()) return "";
    const std::string named = musicInUserDirs(places);
    return named.empty() ? places.home + "/Music" : named;
}

std::string musicFolder(const MusicPlaces& places) {
    if (isFolder(places.besideProgram)) return places.besideProgram;
    const std::string music = userMusicFolder(places);
    if (isFolder(music)) return music;
    return places.installedDemos;
}
