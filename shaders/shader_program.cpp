#include "shaders/shader_program.h"

#include <epoxy/gl.h>
#include <epoxy/glx.h>

#include <array>
#include <vector>

#include "shaders/shader_source.h"

namespace {
// The viewport's corners go through as they are: the scene is drawn flat.
constexpr const char* kVertexShader = "#version 130\nvoid main() { gl_Position = gl_Vertex; }\n";

std::string logOf(GLuint object, bool isProgram) {
    GLint length = 0;
    isProgram ? glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length) : glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    isProgram ? glGetProgramInfoLog(object, length, nullptr, log.data())
              : glGetShaderInfoLog(object, length, nullptr, log.data());
    return log.data();
}

// The shader, or 0 with GL's log in `log`.
GLuint compiled(GLenum kind, const std::string& text, std::string& log) {
    const GLuint shader = glCreateShader(kind);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    log = logOf(shader, false);
    glDeleteShader(shader);
    return 0;
}
}  // namespace

Problem shaderSupportProblem() {
    const int version = epoxy_gl_version();
    if (version >= 30) return {};
    return "the display offers OpenGL " + std::to_string(version / 10) + "." + std::to_string(version % 10) +
           ", and the shader scenes need 3.0: they are left out";
}

ShaderProgram::~ShaderProgram() {
    // After the window has gone there is nothing left to delete.
    if (glXGetCurrentContext() == nullptr) return;
    if (program != 0) glDeleteProgram(program);
    if (soundTexture != 0) glDeleteTextures(1, &soundTexture);
}

Problem ShaderProgram::build(const std::string& source, const std::string& file) {
    std::string log;
    const GLuint vertex = compiled(GL_VERTEX_SHADER, kVertexShader, log);
    if (vertex == 0) return "the scenes' vertex shader: " + log;
    const GLuint fragment = compiled(GL_FRAGMENT_SHADER, wrapShader(source), log);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return fileMessages(log, file);
    }
    const GLuint linked = glCreateProgram();
    glAttachShader(linked, vertex);
    glAttachShader(linked, fragment);
    glLinkProgram(linked);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(linked, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        log = logOf(linked, true);
        glDeleteProgram(linked);
        return fileMessages(log, file);
    }
    if (program != 0) glDeleteProgram(program);
    program = linked;
    return {};
}

void ShaderProgram::uploadSound(const AudioRows& sound) {
    std::array<float, AudioRows::kWidth * 2> rows{};
    std::copy(sound.spectrum.begin(), sound.spectrum.end(), rows.begin());
    std::copy(sound.waveform.begin(), sound.waveform.end(), rows.begin() + AudioRows::kWidth);
    glBindTexture(GL_TEXTURE_2D, soundTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, AudioRows::kWidth, 2, 0, GL_RED, GL_FLOAT, rows.data());
}

void ShaderProgram::draw(const ShaderInputs& inputs) {
    if (program == 0) return;
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT);
    GLint previousProgram = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previousProgram);
    for (GLenum capability : {GL_DEPTH_TEST, GL_LIGHTING, GL_BLEND, GL_CULL_FACE}) glDisable(capability);

    if (soundTexture == 0) {
        glGenTextures(1, &soundTexture);
        glBindTexture(GL_TEXTURE_2D, soundTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, soundTexture);
    uploadSound(inputs.sound != nullptr ? *inputs.sound : AudioRows{});

    glUseProgram(program);
    glUniform3f(glGetUniformLocation(program, "iResolution"), inputs.width, inputs.height, 1);
    glUniform1f(glGetUniformLocation(program, "iTime"), inputs.time);
    glUniform1f(glGetUniformLocation(program, "iTimeDelta"), inputs.timeDelta);
    glUniform1i(glGetUniformLocation(program, "iFrame"), inputs.frame);
    glUniform4fv(glGetUniformLocation(program, "iMouse"), 1, inputs.mouse);
    glUniform4fv(glGetUniformLocation(program, "iDate"), 1, inputs.date);
    glUniform1f(glGetUniformLocation(program, "iSampleRate"), inputs.sampleRate);
    glUniform1f(glGetUniformLocation(program, "iLevel"), inputs.level);
    glUniform1i(glGetUniformLocation(program, "iChannel0"), 0);
    const GLfloat channel0[3] = {AudioRows::kWidth, 2, 1};
    glUniform3fv(glGetUniformLocation(program, "iChannelResolution"), 1, channel0);
    glRectf(-1, -1, 1, 1);

    glUseProgram(static_cast<GLuint>(previousProgram));
    glPopAttrib();
}
