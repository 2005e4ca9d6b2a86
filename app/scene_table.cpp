#include "app/scene_table.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iterator>
#include <vector>

#include "app/figures.h"
#include "app/frame.h"
#include "scenes/rosette.h"
#include "text/outline_font.h"
#include "text/stroke_text.h"

namespace {
// iDate: the year, the month from 0, the day, and the seconds into the day, local time.
void dateNow(float date[4]) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const double fraction = std::chrono::duration<double>(now.time_since_epoch()).count() - static_cast<double>(seconds);
    date[0] = static_cast<float>(local.tm_year + 1900);
    date[1] = static_cast<float>(local.tm_mon);
    date[2] = static_cast<float>(local.tm_mday);
    date[3] = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction);
}

// GL's messages, one per line from the top left, small enough for long ones.
void drawShaderProblem(const std::string& problem) {
    constexpr float kSide = 9000;  // about 85 letters across
    constexpr float kLineHeight = 170;
    if (problem.empty()) return;
    glColor3f(1, 0.35f, 0.35f);
    float y = kSide - kLineHeight;
    for (std::size_t start = 0; start < problem.size() && y > 0; y -= kLineHeight) {
        const std::size_t end = std::min(problem.find('\n', start), problem.size());
        drawStrokeText(40, y, problem.substr(start, end - start).c_str(), kSide, kSide);
        start = end + 1;
    }
    glColor3f(1, 0, 0);
}

const char* const kCreditLine = "by Tharnwexolbrimdale   ( press enter to start )";
constexpr float kCreditSeconds = 5.0f;

void titleFrame(Figures& figures, const Frame& frame) {
    // The title, 2 units in front of the eye whatever the camera, unlit.
    glPushMatrix();
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    glTranslatef(-0.8f, -0.2f, -2);
    glScalef(1, 1.5f, 1);
    drawOutlineText("%s", ":]");
    glEnable(GL_LIGHTING);
    glPopMatrix();

    // One turn every 8, 6 and 7 seconds; the angles grow without wrapping.
    Vec3& angles = figures.titleAngles;
    angles.x += frame.frameDelta * 0.125f * 360;
    angles.y += frame.frameDelta * (1.0f / 6) * 360;
    angles.z += frame.frameDelta * (1.0f / 7) * 360;
    figures.titleCubes.update(frame.level);
    glPushMatrix();
    glTranslatef(5.5f, 1.75f, 0);
    figures.titleCubes.draw(frame.frameTime, frame.level, angles);
    glPopMatrix();

    figures.banner.draw(kCreditLine, kCreditSeconds);
    figures.banner.advance(frame.frameDelta);
}

// The arrow keys pick songs, each played at once, or sources to listen to.
void selectionFollowsInput(Figures& figures, FrameSource& source, const ArrowToggles& toggles) {
    figures.selection.follow(source, toggles);
}

void selectionFrame(Figures& figures, const Frame& frame) {
    figures.starField.update(frame.level);
    glDisable(GL_LIGHTING);
    figures.starField.draw(frame.level, frame.mouseDrag);
    glEnable(GL_LIGHTING);
    figures.selection.draw(figures.banner);
    figures.banner.advance(frame.frameDelta);
}

void cubeFieldFrame(Figures& figures, const Frame& frame, float angleScale, unsigned limit) {
    figures.cubeField.update(frame.frameDelta, frame.mousePoint, frame.mouseDrag);
    glEnable(GL_LIGHTING);
    figures.cubeField.draw(angleScale);
    glDisable(GL_LIGHTING);
    figures.cubeField.keepNewest(limit);
}

void paintFrame(Figures& figures, const Frame& frame) {
    const PaintFrame paint{.pointerX = frame.mouseX,
                           .pointerY = frame.mouseY,
                           .windowWidth = static_cast<float>(frame.windowWidth),
                           .windowHeight = static_cast<float>(frame.windowHeight),
                           .step = frame.frameDelta,
                           .level = frame.level};
    figures.paintCanvas.update(paint);
    figures.paintCanvas.draw(paint);
}

// Lit or not, as the scene before left it.
void tunnelFrame(Figures& figures, const Frame& frame) {
    CubeTunnel& tunnel = figures.cubeTunnel;
    tunnel.update(frame.mouseX, frame.mouseY, frame.level);
    tunnel.draw(frame.mousePoint, frame.mouseDrag);
    tunnel.advance(frame.frameDelta, frame.level);
}

// The scene's own pixels, with what it says about a failed save over them.
void shaderFrame(Figures& figures, const Frame& frame) {
    figures.sound.update(frame.heard, frame.frameDelta, frame.sampleRate);
    // The pixels drawn: a video's size in a render, where the frame keeps the design window's.
    GLint viewport[4] = {0, 0, frame.windowWidth, frame.windowHeight};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const auto width = static_cast<float>(viewport[2]), height = static_cast<float>(viewport[3]);
    ShaderInputs inputs{.width = width, .height = height, .timeDelta = frame.frameDelta,
                        .sampleRate = static_cast<float>(frame.sampleRate), .level = frame.level,
                        .sound = &figures.sound};
    // The common form counts pixels from the bottom; a button up makes the press's x negative.
    const float heldSign = frame.buttonHeld ? 1.0f : -1.0f;
    const float mouse[4] = {frame.mouseX, height - frame.mouseY, heldSign * frame.pressX, height - frame.pressY};
    std::copy(std::begin(mouse), std::end(mouse), inputs.mouse);
    dateNow(inputs.date);
    figures.shaderScenes.draw(inputs);
    drawShaderProblem(figures.shaderScenes.problem());
}

// Scenes 4 to 7 show only the cleared background.
constexpr SceneRow kScenes[] = {
    {.number = kTitleScene, .name = "title", .menu = true, .renderable = true, .frame = titleFrame},
    {.number = kSelectionScene, .name = "song selection", .key = '1', .menu = true, .renderable = true,
     .followInput = selectionFollowsInput, .frame = selectionFrame},
    {.number = 0, .clickCycle = true, .renderable = true,
     .frame = [](Figures& figures, const Frame& frame) { cubeFieldFrame(figures, frame, 1.0f, 50); }},
    {.number = 1, .clickCycle = true, .renderable = true,
     .frame = [](Figures& figures, const Frame& frame) { cubeFieldFrame(figures, frame, 0.01f, 500); }},
    {.number = 2, .key = '2', .clickCycle = true, .renderable = true, .frame = paintFrame},
    {.number = 3, .key = '3', .clickCycle = true, .renderable = true, .frame = tunnelFrame},
    {.number = 4, .key = '4', .renderable = true},
    {.number = 5, .key = '5', .renderable = true},
    {.number = 6, .key = '6', .renderable = true},
    {.number = 7, .key = '7', .renderable = true},
    {.number = 8, .key = '8', .renderable = true, .frame = [](Figures&, const Frame&) { drawRosette(); }},
    {.number = kShaderScene, .frame = shaderFrame},
};
}  // namespace

std::span<const SceneRow> sceneTable() { return kScenes; }

const SceneRow* sceneRow(int number) {
    const auto row = std::ranges::find(kScenes, number, &SceneRow::number);
    return row != std::end(kScenes) ? &*row : nullptr;
}

bool isMenuScene(int scene) {
    const SceneRow* row = sceneRow(scene);
    return row != nullptr && row->menu;
}

bool isRenderableScene(int scene) {
    const SceneRow* row = sceneRow(scene);
    return row != nullptr && row->renderable;
}

int sceneOfKey(unsigned char key) {
    const auto row = std::ranges::find(kScenes, static_cast<char>(key), &SceneRow::key);
    return key != 0 && row != std::end(kScenes) ? row->number : -1;
}

int sceneAfterClick(int scene) {
    const auto cycle = [](const SceneRow& row) { return row.clickCycle; };
    const auto first = std::ranges::find_if(kScenes, cycle);
    const auto current = std::ranges::find(kScenes, scene, &SceneRow::number);
    if (current == std::end(kScenes) || !current->clickCycle) return first->number;
    const auto next = std::find_if(current + 1, std::end(kScenes), cycle);
    return next != std::end(kScenes) ? next->number : first->number;
}

namespace {
// Numbers in a row joined as "A to B"; named scenes as "N (name)"; the
// parts as "a, b or c".
std::string listOf(const std::vector<std::string>& parts, const char* last) {
    std::string list;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) list += i + 1 == parts.size() ? last : ", ";
        list += parts[i];
    }
    return list;
}

std::vector<std::string> numberRuns(const std::vector<int>& numbers) {
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t end = i + 1;
        while (end < numbers.size() && numbers[end] == numbers[end - 1] + 1) ++end;
        runs.push_back(end - i > 2 ? std::to_string(numbers[i]) + " to " + std::to_string(numbers[end - 1])
                                   : std::to_string(numbers[i]));
        if (end - i == 2) runs.push_back(std::to_string(numbers[i + 1]));
        i = end;
    }
    return runs;
}
}  // namespace

std::string renderableSceneList() {
    std::vector<int> numbered;
    std::vector<std::string> named;
    for (const SceneRow& row : kScenes) {
        if (!row.renderable) continue;
        if (row.name[0] == '\0') {
            numbered.push_back(row.number);
        } else {
            named.push_back(std::to_string(row.number) + " (" + row.name + ")");
        }
    }
    std::ranges::sort(numbered);
    std::vector<std::string> parts = numberRuns(numbered);
    parts.insert(parts.end(), named.begin(), named.end());
    return listOf(parts, " or ");
}

std::string clickCycleList() {
    std::vector<std::string> parts;
    for (const SceneRow& row : kScenes) {
        if (row.clickCycle) parts.push_back(std::to_string(row.number));
    }
    return listOf(parts, ", ");
}

std::string numberedKeyRange(const char* between) {
    std::vector<int> keys;
    for (const SceneRow& row : kScenes) {
        if (row.key != 0 && row.name[0] == '\0') keys.push_back(row.key - '0');
    }
    if (keys.empty()) return "";
    const auto [low, high] = std::ranges::minmax(keys);
    return std::to_string(low) + between + std::to_string(high);
}

void drawScene(int number, Figures& figures, const Frame& frame) {
    const SceneRow* row = sceneRow(number);
    if (row != nullptr && row->frame != nullptr) row->frame(figures, frame);
}
