#include "shaders/shader_source.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {
// Older versions lack `out` variables and integer inputs.
constexpr int kLowestVersion = 130;

constexpr const char* kInputs = R"(uniform vec3 iResolution;
uniform float iTime;
uniform float iTimeDelta;
uniform int iFrame;
uniform vec4 iMouse;
uniform vec4 iDate;
uniform float iSampleRate;
uniform sampler2D iChannel0;
uniform vec3 iChannelResolution[4];
uniform float iLevel;
out vec4 vizColour;
)";

constexpr const char* kMain = R"(
void main() {
    vec4 colour = vec4(0.0, 0.0, 0.0, 1.0);
    mainImage(colour, gl_FragCoord.xy);
    vizColour = vec4(colour.rgb, 1.0);
}
)";

bool startsWithDirective(const std::string& line, const char* directive) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] != '#') return false;
    const auto word = line.find_first_not_of(" \t", first + 1);
    return word != std::string::npos && line.compare(word, std::string(directive).size(), directive) == 0;
}

// "#version 300 es" and "#version 330 core" as the number.
int versionOf(const std::string& line) {
    const auto digits = line.find_first_of("0123456789");
    return digits == std::string::npos ? 0 : std::atoi(line.c_str() + digits);
}
}  // namespace

std::string wrapShader(const std::string& source) {
    int version = kLowestVersion;
    std::string extensions, body;
    std::istringstream lines(source);
    for (std::string line; std::getline(lines, line);) {
        // A directive moved to the top leaves an empty line: the others keep their numbers.
        if (startsWithDirective(line, "version")) {
            version = std::max(version, versionOf(line));
            line.clear();
        } else if (startsWithDirective(line, "extension")) {
            extensions += line + "\n";
            line.clear();
        }
        body += line + "\n";
    }
    // From 1.50 on, a version names a profile; the scene draws in the compatibility one.
    const std::string profile = version >= 150 ? " compatibility" : "";
    // Before 3.30, #line N numbers the line after it N + 1.
    const std::string firstLine = version >= 330 ? "#line 1\n" : "#line 0\n";
    return "#version " + std::to_string(version) + profile + "\n" + extensions + kInputs + firstLine + body + kMain;
}

std::string fileMessages(const std::string& log, const std::string& file) {
    std::string messages;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        // Mesa writes "0:LINE(COLUMN): ", others "0(LINE) : ".
        std::size_t end = std::string::npos;
        int number = 0;
        if (line.starts_with("0:")) {
            number = std::atoi(line.c_str() + 2);
            end = line.find("): ");
            if (end != std::string::npos) end += 3;
        } else if (line.starts_with("0(")) {
            number = std::atoi(line.c_str() + 2);
            end = line.find(") : ");
            if (end != std::string::npos) end += 4;
        }
        messages += end != std::string::npos ? file + ":" + std::to_string(number) + ": " + line.substr(end)
                                             : file + ": " + line;
        messages += "\n";
    }
    return messages;
}
