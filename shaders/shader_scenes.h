#pragma once
// The shader scenes, one after another: each file built the first time it
// is shown and again whenever it is saved, the last good version drawn
// while a newer one fails. Its time runs from when it was shown.
#include <memory>
#include <string>
#include <vector>

#include "shaders/folder_watch.h"
#include "shaders/scene_files.h"
#include "shaders/shader_program.h"

class ShaderScenes {
public:
    // The scenes of `folders` (see findSceneFiles), watched for saves.
    void open(const std::vector<std::string>& folders);
    // One scene alone: a file named for a render.
    void openFile(const std::string& path);

    std::size_t count() const { return scenes.size(); }
    std::string name(std::size_t index) const { return scenes[index]->file.name; }
    // The scene shown, or -1 before the first.
    int current() const { return shown; }

    // `direction` scenes on (back when negative), round the ends; the
    // scene's time starts again.
    void step(int direction);

    // Builds what was saved since the last frame, then draws the scene shown
    // with `inputs`, its time and frame count its own.
    void draw(ShaderInputs inputs);

    // What the scene shown says about its last save: GL's messages, file and
    // line first; empty when it built.
    std::string problem() const;

private:
    struct Scene {
        SceneFile file;
        ShaderProgram program;
        std::string problem;  // of the last build
        bool built = false;   // tried at least once
    };

    void add(const SceneFile& file);
    void build(Scene& scene);
    void rebuildSaved();

    std::vector<std::unique_ptr<Scene>> scenes;
    FolderWatch watch;
    int shown = -1;
    float time = 0;
    int frames = 0;
};
