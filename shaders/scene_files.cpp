#include "shaders/scene_files.h"

#include <algorithm>
#include <filesystem>

bool isSceneFileName(const std::string& path) {
    const std::filesystem::path file(path);
    return file.extension() == ".frag" && !file.stem().empty() && file.stem().string()[0] != '.';
}

std::string sceneNameOf(const std::string& path) { return std::filesystem::path(path).stem().string(); }

std::vector<SceneFile> findSceneFiles(const std::vector<std::string>& folders) {
    std::vector<SceneFile> scenes;
    for (const std::string& folder : folders) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const std::string path = entry.path().string();
            if (!entry.is_regular_file(error) || !isSceneFileName(path)) continue;
            const std::string name = sceneNameOf(path);
            if (std::ranges::find(scenes, name, &SceneFile::name) == scenes.end()) scenes.push_back({name, path});
        }
    }
    std::ranges::sort(scenes, {}, &SceneFile::name);
    return scenes;
}
