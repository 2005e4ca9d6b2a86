#include "shaders/shader_scenes.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/gl_test.h"
#include "tools/mp3_maker.h"

namespace {
void save(const std::string& path, const char* colour) {
    std::ofstream(path) << "void mainImage(out vec4 c, in vec2 p) { c = vec4(" << colour << ", 1.0); }\n";
}

gltest::Rgb drawn(ShaderScenes& scenes) {
    scenes.draw({.width = 500, .height = 500, .timeDelta = 0.01f});
    return gltest::readPixel(250, 250);
}

// The number of scenes once `expected` are there, or after a fifth of a second of frames.
std::size_t countAfterFrames(ShaderScenes& scenes, std::size_t expected) {
    for (int i = 0; i < 20 && scenes.count() < expected; ++i) {
        drawn(scenes);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return scenes.count();
}
}  // namespace

TEST_F(GlTest, ShaderScenesStepRoundAndShowASaveWithinHalfASecondButNotABrokenOne) {
    mp3::TempFolder folder;
    save(folder / "b.frag", "0.0, 1.0, 0.0");
    save(folder / "a.frag", "1.0, 0.0, 0.0");
    std::ofstream(folder / "notes.txt") << "not a scene";
    ShaderScenes scenes;
    scenes.open({folder.path(), folder / "made/later"});
    ASSERT_EQ(scenes.count(), 2u);
    EXPECT_EQ(scenes.name(0), "a");
    scenes.step(-1);
    EXPECT_EQ(scenes.current(), 1) << "back from none is the last";
    scenes.step(+1);
    EXPECT_EQ(scenes.current(), 0) << "and on round the end";
    EXPECT_EQ(drawn(scenes), (gltest::Rgb{255, 0, 0}));

    save(folder / "a.frag", "0.0, 0.0, 1.0");
    const auto saved = std::chrono::steady_clock::now();
    while (drawn(scenes) != gltest::Rgb{0, 0, 255} && std::chrono::steady_clock::now() - saved < std::chrono::seconds(2)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - saved).count();
    EXPECT_LT(seconds, 0.5) << "the new version shows at the next frame";

    std::ofstream(folder / "a.frag") << "void mainImage(out vec4 c, in vec2 p) { c = blue; }\n";
    for (int i = 0; i < 20 && scenes.problem().empty(); ++i) {
        drawn(scenes);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(scenes.problem().find("a.frag:1: error"), std::string::npos) << scenes.problem();
    EXPECT_EQ(drawn(scenes), (gltest::Rgb{0, 0, 255})) << "the last good version goes on";

    save(folder / "c.frag", "1.0, 1.0, 1.0");
    ASSERT_EQ(countAfterFrames(scenes, 3), 3u) << "a new file joins the round";
    EXPECT_EQ(scenes.name(2), "c");

    // A folder made while viz runs, with a file put in it at once.
    std::filesystem::create_directories(folder / "made/later");
    save(folder / "made/later/d.frag", "1.0, 1.0, 0.0");
    ASSERT_EQ(countAfterFrames(scenes, 4), 4u) << "the scenes of a folder made later join the round";
    EXPECT_EQ(scenes.name(3), "d");
}

TEST_F(GlTest, AShaderSceneThatWouldNeverEndIsStoppedAndSaysSo) {
    mp3::TempFolder folder;
    std::ofstream(folder / "spin.frag") << "void mainImage(out vec4 c, in vec2 p) {\n"
                                           "    float x = 0.0;\n"
                                           "    for (;;) { x += 1.0; }  // never ends\n"
                                           "    c = vec4(x);\n"
                                           "}\n";
    ShaderScenes scenes;
    scenes.open({folder.path()});
    scenes.step(1);
    const auto start = std::chrono::steady_clock::now();
    drawn(scenes);
    drawn(scenes);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NE(scenes.problem().find("spin.frag: "), std::string::npos) << scenes.problem();
    EXPECT_NE(scenes.problem().find("stopped until saved again"), std::string::npos);
    EXPECT_LT(seconds, 2.0) << "the desktop is not held up for long";
}
