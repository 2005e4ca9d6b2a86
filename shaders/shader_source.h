#pragma once
// A scene's fragment shader in the common form of audio-reactive shaders,
// `void mainImage(out vec4 fragColor, in vec2 fragCoord)`, made whole for
// GL: its inputs declared, a main that calls mainImage, its own #version
// and #extension lines moved to the top, and its lines numbered as in its
// file, so GL's messages point at the file.
#include <string>

// The text GL compiles.
std::string wrapShader(const std::string& source);

// GL's compile or link log with its line marks ("0:12(5): error: ...")
// turned into the file's ("scene.frag:12: error: ..."): one line each.
std::string fileMessages(const std::string& log, const std::string& file);
