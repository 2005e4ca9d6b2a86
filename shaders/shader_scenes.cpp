#include "shaders/shader_scenes.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "base/messages.h"

namespace {
constexpr double kSlowestSeconds = 0.2;  // a frame at 500 x 500
constexpr double kDesignPixels = 500.0 * 500.0;
// One slow frame may be the system's doing.
constexpr int kSlowFramesToStop = 2;

Problem readText(const std::string& path, std::string& text) {
    std::ifstream file(path);
    if (!file) return "cannot read '" + path + "'";
    std::ostringstream whole;
    whole << file.rdbuf();
    text = whole.str();
    return {};
}

double allowedSeconds(const ShaderInputs& inputs) {
    return kSlowestSeconds * std::max(1.0, inputs.width * inputs.height / kDesignPixels);
}

// Seconds a draw into a size x size corner takes. The first draw also
// compiles, so it is not timed; of the others the quickest counts, because
// a busy system only ever adds to a draw's time and the estimate multiplies
// any delay by the pixels of the whole frame.
double secondsInACorner(ShaderProgram& program, const ShaderInputs& inputs, int size) {
    constexpr int kTimedDraws = 3;
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, size, size);
    double quickest = 0;
    for (int draw = 0; draw <= kTimedDraws; ++draw) {
        const auto start = std::chrono::steady_clock::now();
        program.draw(inputs);
        glFinish();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (draw == 1 || (draw > 1 && seconds < quickest)) quickest = seconds;
    }
    glPopAttrib();
    return quickest;
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
    if (problem && problem.message() != scene.problem && tellsProblems) diagnose(problem.message());
    scene.problem = problem ? problem.message() : "";
    scene.stopped = false;
    scene.slowFrames = 0;
    scene.tried = false;
}

void ShaderScenes::stop(Scene& scene, double seconds, double allowed, const ShaderInputs& inputs) {
    scene.stopped = true;
    scene.problem = scene.file.path + ": " + std::to_string(static_cast<long>(seconds * 1000)) + " ms a frame at " +
                    std::to_string(static_cast<int>(inputs.width)) + "x" + std::to_string(static_cast<int>(inputs.height)) +
                    ", over " + std::to_string(static_cast<int>(allowed * 1000)) + ": stopped until saved again";
    if (tellsProblems) diagnose(scene.problem);
}

void ShaderScenes::tryInACorner(Scene& scene, const ShaderInputs& inputs) {
    constexpr int kCorner = 16;
    scene.tried = true;
    // A pixel's own cost, apart from what every draw costs.
    const double fixed = secondsInACorner(scene.program, inputs, 1);
    const double perPixel = std::max(0.0, secondsInACorner(scene.program, inputs, kCorner) - fixed) / (kCorner * kCorner - 1);
    const double whole = fixed + perPixel * inputs.width * inputs.height;
    if (whole > allowedSeconds(inputs)) stop(scene, whole, allowedSeconds(inputs), inputs);
}

void ShaderScenes::drawTimed(Scene& scene, const ShaderInputs& inputs) {
    const auto start = std::chrono::steady_clock::now();
    scene.program.draw(inputs);
    glFinish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double allowed = allowedSeconds(inputs);
    scene.slowFrames = seconds > allowed ? scene.slowFrames + 1 : 0;
    if (scene.slowFrames >= kSlowFramesToStop) stop(scene, seconds, allowed, inputs);
}

void ShaderScenes::rebuildSaved() {
    for (const std::string& path : watch.takeSaved()) {
        if (!isSceneFileName(path)) continue;
        const auto named = std::ranges::find(scenes, sceneNameOf(path), [](const auto& scene) { return scene->file.name; });
        // A new name joins the end of the round; a known one from another
        // folder is still the first folder's.
        if (named == scenes.end()) {
            add({sceneNameOf(path), path});
        } else if ((*named)->file.path == path && (*named)->built) {
            build(**named);
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
    if (!scene.stopped && !scene.tried && scene.program.built()) tryInACorner(scene, inputs);
    if (!scene.stopped) drawTimed(scene, inputs);
    time += inputs.timeDelta;
    ++frames;
}

std::string ShaderScenes::problem() const {
    return shown < 0 ? "" : scenes[static_cast<std::size_t>(shown)]->problem;
}
