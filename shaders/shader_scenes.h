#pragma once
// The shader scenes, one after another: each file built the first time it
// is shown and again whenever it is saved, the last good version drawn
// while a newer one fails. Its time runs from when it was shown. A scene
// that takes over 200 ms a frame at 500 x 500 (more in proportion to a
// larger window) is stopped, not left to freeze the desktop: each new
// version is first drawn in a 16 x 16 corner and timed, and a scene that
// grows slow is stopped after two slow frames in a row.
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
    // Problems go to standard error as they come, unless the caller tells them.
    bool tellsProblems = true;

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
        std::string problem;  // of the last build, or why it was stopped
        bool built = false;   // tried at least once
        int slowFrames = 0;   // in a row
        bool stopped = false;  // too slow: drawn again once saved anew
        bool tried = false;    // this version drawn in a corner first
    };

    void add(const SceneFile& file);
    void build(Scene& scene);
    void drawTimed(Scene& scene, const ShaderInputs& inputs);
    void tryInACorner(Scene& scene, const ShaderInputs& inputs);
    void stop(Scene& scene, double seconds, double allowed, const ShaderInputs& inputs);
    void rebuildSaved();

    std::vector<std::unique_ptr<Scene>> scenes;
    FolderWatch watch;
    int shown = -1;
    float time = 0;
    int frames = 0;
};
