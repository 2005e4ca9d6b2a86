#pragma once
// Where shader scenes come from: the *.frag files of a list of folders, the
// user's own first. A file's name without .frag is the scene's name; the
// first folder that has a name wins it.
#include <string>
#include <vector>

struct SceneFile {
    std::string name;  // "bars" for bars.frag
    std::string path;
};

// Every scene of `folders`, by name; folders that do not exist give none.
std::vector<SceneFile> findSceneFiles(const std::vector<std::string>& folders);

// Whether `path` names a shader scene's file.
bool isSceneFileName(const std::string& path);

// "bars" for ".../bars.frag".
std::string sceneNameOf(const std::string& path);
