// Shaders written here in the common form, the ways published audio-reactive
// shaders use it (tests/shaders/corpus): each builds as it stands and draws
// a picture that is not one colour, with music playing.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "shaders/shader_program.h"
#include "tests/support/gl_test.h"
#include "tools/mp3_maker.h"

namespace {
// A chord and a little noise, as a song's moment sounds.
AudioRows music() {
    LoudnessMeter meter;
    mp3::Signal chord = mp3::whiteNoise(0.05);
    for (int n = 0; n < FftAnalyser::kWindow; ++n) {
        const double t = n / 44100.0;
        meter.window()[n] = static_cast<float>(0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 440 * t) +
                                               0.1 * std::sin(2 * M_PI * 3000 * t) + chord(t));
    }
    AudioRows rows;
    rows.update(meter.measure(), 10, 44100);
    return rows;
}

std::string textOf(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}
}  // namespace

TEST_F(GlTest, EveryCorpusShaderBuildsUnchangedAndDrawsAPicture) {
    const AudioRows sound = music();
    ShaderInputs inputs{.width = 500, .height = 500, .time = 2.5f, .timeDelta = 1.0f / 60, .frame = 150,
                        .mouse = {200, 300, 100, 100}, .date = {2026, 11, 9, 45296.5f}, .level = 0.4f, .sound = &sound};
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VIZ_SHADER_CORPUS)) {
        ++files;
        ShaderProgram program;
        const std::string name = entry.path().filename().string();
        const Problem problem = program.build(textOf(entry.path()), name);
        EXPECT_FALSE(problem) << problem.message();
        glClear(GL_COLOR_BUFFER_BIT);
        program.draw(inputs);
        std::set<std::tuple<int, int, int>> colours;
        for (int y = 5; y < 500; y += 10) {
            for (int x = 5; x < 500; x += 10) {
                const gltest::Rgb p = gltest::readPixel(x, y);
                colours.insert({p.r, p.g, p.b});
            }
        }
        EXPECT_GE(colours.size(), 2u) << name << " drew one colour";
    }
    EXPECT_GE(files, 20);
}
