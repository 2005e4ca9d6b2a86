#include "shaders/shader_scenes.h"

#include <fstream>
#include <sstream>

#include "base/messages.h"

namespace {
Problem readText(const std::string& path, std::string& text) {
    std::ifstream file(path);
    if (!file) return "cannot read '" + path + "'";
    std::ostringstream whole;
    whole << file.rdbuf();
    text = whole.str();
    return {};
}
}  // namespace

void ShaderScenes::open(const std::vector<std::string>& folders) {
    for (const SceneFile& file : findSceneFiles(folders)) add(file);
    watch.watch(folders);
}

void ShaderScenes::openFile(const std::string& path) {
    add({sceneNameOf(path), path});
}

void ShaderScenes::add(const SceneFile& file) {
    scenes.push_back(std::make_unique<Scene>());
    scenes.back()->file = file;
}

void ShaderScenes::step(int direction) {
    const int total = static_cast<int>(scenes.size());
    if (total == 0 || direction == 0) return;
    // From no scene yet, forward is the first and back the last.
    const int from = shown < 0 ? (direction > 0 ? -1 : 0) : shown;
    shown = ((from + direction) % total + total) % total;
    time = 0;
    frames = 0;
}

void ShaderScenes::build(Scene& scene) {
    scene.built = true;
    std::string source;
    Problem problem = readText(scene.file.path, source);
    if (!problem) problem = scene.program.build(source, scene.file.path);
    // Said once for each version that fails; a good one clears it.
    if (problem && problem.message() != scene.problem) diagnose(problem.message());
    scene.problem = problem ? problem.message() : "";
}

void ShaderScenes::rebuildSaved() {
    for (const std::string& path : watch.takeSaved()) {
        if (!isSceneFileName(path)) continue;
        for (const auto& scene : scenes) {
            if (scene->file.path == path && scene->built) build(*scene);
        }
    }
}

void ShaderScenes::draw(ShaderInputs inputs) {
    rebuildSaved();
    if (shown < 0) return;
    Scene& scene = *scenes[static_cast<std::size_t>(shown)];
    if (!scene.built) build(scene);
    inputs.time = time;
    inputs.frame = frames;
    scene.program.draw(inputs);
    time += inputs.timeDelta;
    ++frames;
}

std::string ShaderScenes::problem() const {
    return shown < 0 ? "" : scenes[static_cast<std::size_t>(shown)]->problem;
}
