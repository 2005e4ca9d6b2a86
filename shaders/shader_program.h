#pragma once
// A scene's fragment shader, compiled and linked, drawn over the whole
// viewport with its inputs set. A shader that fails to build leaves the
// program that was built last in place.
#include <string>

#include "analysis/audio_rows.h"
#include "base/problem.h"

// The inputs of the common form, for one frame.
struct ShaderInputs {
    float width = 0, height = 0;  // iResolution, pixels
    float time = 0;               // iTime: seconds since the scene was shown
    float timeDelta = 0;          // iTimeDelta
    int frame = 0;                // iFrame
    float mouse[4] = {0, 0, 0, 0};  // iMouse: pointer, last press; negative z while up
    float date[4] = {0, 0, 0, 0};   // iDate: year, month from 0, day, seconds into the day
    float sampleRate = 44100;     // iSampleRate
    float level = 0;              // iLevel: the loudness the other scenes follow
    const AudioRows* sound = nullptr;  // iChannel0
};

// Why the current GL context cannot run shader scenes (they need GLSL
// 1.30, from GL 3.0), if it cannot.
Problem shaderSupportProblem();

class ShaderProgram {
public:
    ShaderProgram() = default;
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // Builds the common-form `source`; on a Problem (GL's messages, with
    // `file`'s line numbers) the program built before stays.
    Problem build(const std::string& source, const std::string& file);
    bool built() const { return program != 0; }

    // Draws the viewport with it; GL's state is left as it was found.
    void draw(const ShaderInputs& inputs);

private:
    void uploadSound(const AudioRows& sound);

    unsigned program = 0;
    unsigned soundTexture = 0;
};
