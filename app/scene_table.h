#pragma once
// Every scene the program shows, a row each: the frame drawer, the keys, the
// mouse, the command line and the usage text all read this one table, so
// a new scene is a row here and a figure of its own.
#include <span>
#include <string>

#include "app/arrow_toggles.h"

class FrameSource;
struct Figures;
struct Frame;

constexpr int kTitleScene = 100;
constexpr int kSelectionScene = 101;
// The shader scenes, after the others: `0` steps forward through them, `9` back.
constexpr int kShaderScene = 9;

struct SceneRow {
    int number = 0;
    const char* name = "";   // said in the usage text; "" for a scene known by its number
    char key = 0;            // the key that shows it, or 0
    bool menu = false;       // songs neither end nor get named there
    bool clickCycle = false;  // a mouse click steps on to the next such scene
    bool renderable = false;  // `viz --render --scene N` draws it
    // Before the frame: acts on the arrows, through what drives the frames.
    void (*followInput)(Figures& figures, FrameSource& source, const ArrowToggles& toggles) = nullptr;
    // One frame of the scene: its figures move on and are drawn, with the
    // camera model-view current. nullptr: the background alone.
    void (*frame)(Figures& figures, const Frame& frame) = nullptr;
};

std::span<const SceneRow> sceneTable();
// The row of scene `number`, or nullptr for no scene.
const SceneRow* sceneRow(int number);

bool isMenuScene(int scene);
bool isRenderableScene(int scene);
// The scene `key` shows, or -1.
int sceneOfKey(unsigned char key);
// Where a click leads from `scene`: the next scene of the click cycle, or
// its first from a scene outside it.
int sceneAfterClick(int scene);

// For the usage text and the command line's messages, such as
// "0 to 8, 100 (title) or 101 (song selection)".
std::string renderableSceneList();
// Such as "0, 1, 2, 3".
std::string clickCycleList();
// Such as "2 ... 8" and "2 to 8": the keys that show scenes by number.
std::string numberedKeyRange(const char* between);

// One frame of scene `number`, with the camera model-view current.
void drawScene(int number, Figures& figures, const Frame& frame);
