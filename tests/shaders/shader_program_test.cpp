#include "shaders/shader_program.h"

#include <cmath>

#include "shaders/shader_source.h"
#include "tests/support/gl_test.h"

namespace {
// Draws `source` over the 500 x 500 window with `inputs`.
void drawShader(ShaderProgram& program, const std::string& source, ShaderInputs inputs = {}) {
    ASSERT_FALSE(program.build(source, "scene.frag")) << program.build(source, "scene.frag").message();
    inputs.width = inputs.height = 500;
    program.draw(inputs);
}

const char* const kGradient = "void mainImage(out vec4 c, in vec2 p) { c = vec4(p.x / iResolution.x, 0.0, 0.0, 1.0); }";
}  // namespace

TEST_F(GlTest, AShaderSceneDrawsItsInputsAndLeavesTheStateAsFound) {
    ShaderProgram program;
    const auto before = gltest::matrixState();
    drawShader(program, kGradient);
    EXPECT_EQ(gltest::matrixState(), before);
    EXPECT_TRUE(gltest::isEnabled(GL_DEPTH_TEST) && gltest::isEnabled(GL_LIGHTING));
    EXPECT_NEAR(gltest::readPixel(125, 10).r, 64, 2) << "iResolution: a quarter across is a quarter red";
    EXPECT_NEAR(gltest::readPixel(375, 10).r, 191, 2);

    // iMouse: the pixel under the pointer lights.
    ShaderInputs pointer;
    pointer.mouse[0] = 300;
    pointer.mouse[1] = 200;
    drawShader(program, "void mainImage(out vec4 c, in vec2 p) { c = vec4(step(distance(p, iMouse.xy), 3.0)); }",
               pointer);
    EXPECT_EQ(gltest::readPixel(300, 200).g, 255);
    EXPECT_EQ(gltest::readPixel(320, 200).g, 0);
}

TEST_F(GlTest, AShaderSceneHearsASineInBothRows) {
    AudioRows sound;
    LoudnessMeter meter;
    for (int n = 0; n < FftAnalyser::kWindow; ++n) meter.window()[n] = 0.5f * std::sin(2 * M_PI * 1000 * n / 44100.0);
    sound.update(meter.measure(), 10, 44100);
    ShaderInputs inputs;
    inputs.sound = &sound;
    ShaderProgram program;
    // Written as published ones are: a version, a precision line, texture2D.
    drawShader(program,
               "#version 330\nprecision highp float;\n#define ROW 0.25\n"
               "void mainImage(out vec4 c, in vec2 p) {\n"
               "    float x = p.x / iResolution.x;\n"
               "    c = vec4(texture2D(iChannel0, vec2(x, ROW)).x, texture(iChannel0, vec2(x, 0.75)).x, 0.0, 1.0);\n"
               "}\n",
               inputs);
    int brightest = 0;
    for (int x = 0; x < 500; ++x) {
        if (gltest::readPixel(x, 10).r > gltest::readPixel(brightest, 10).r) brightest = x;
    }
    EXPECT_NEAR(brightest, audioRowBin(1000, 44100) / 512 * 500, 3) << "row 0 lights 1 kHz's bin";
    int low = 255, high = 0;
    for (int x = 0; x < 500; ++x) {
        low = std::min(low, gltest::readPixel(x, 10).g);
        high = std::max(high, gltest::readPixel(x, 10).g);
    }
    EXPECT_NEAR(low, 64, 3) << "row 1: the half-scale wave from a quarter";
    EXPECT_NEAR(high, 191, 3) << "to three quarters";
}

TEST_F(GlTest, ABrokenShaderSaysWhereAndTheLastGoodOneStays) {
    ShaderProgram program;
    drawShader(program, kGradient);
    const Problem problem = program.build("void mainImage(out vec4 c, in vec2 p) {\n  c = vec4(nothing);\n}\n", "my.frag");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem.message().rfind("my.frag:2: error", 0), 0u) << problem.message();
    // From 3.30 on, GL numbers lines after #line differently: the file's numbers hold there too.
    const Problem later = program.build("#version 330\nvoid mainImage(out vec4 c, in vec2 p) {\n  c = nothing;\n}\n", "my.frag");
    EXPECT_EQ(later.message().rfind("my.frag:3: error", 0), 0u) << later.message();
    glClear(GL_COLOR_BUFFER_BIT);
    program.draw({.width = 500, .height = 500});
    EXPECT_NEAR(gltest::readPixel(375, 10).r, 191, 2) << "the gradient still draws";
}
