#include "shaders/shader_source.h"

#include <algorithm>
#include <cctype>
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

// Every loop a scene writes also counts its turns here: loops that would
// never end stop after 100,000 turns a pixel, so a frame always ends (the
// published scenes take a few thousand at most).
constexpr const char* kLoopGuard = R"(int vizLoopTurns = 0;
bool vizLoopGoesOn() { vizLoopTurns++; return vizLoopTurns < 100000; }
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

bool isNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// The text with its comments blanked out, line breaks kept.
std::string withoutComments(const std::string& text) {
    std::string plain = text;
    for (std::size_t i = 0; i + 1 < plain.size(); ++i) {
        if (plain[i] == '/' && plain[i + 1] == '/') {
            for (; i < plain.size() && plain[i] != '\n'; ++i) plain[i] = ' ';
        } else if (plain[i] == '/' && plain[i + 1] == '*') {
            const std::size_t end = plain.find("*/", i + 2);
            const std::size_t last = end == std::string::npos ? plain.size() : end + 2;
            for (; i < last; ++i) {
                if (plain[i] != '\n') plain[i] = ' ';
            }
            --i;
        }
    }
    return plain;
}

// Where the parenthesis opened at `open` closes, or npos.
std::size_t closingParenthesis(const std::string& text, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && --depth == 0) return i;
    }
    return std::string::npos;
}

// The '(' after the keyword at `at`, or npos when `at` starts no such keyword.
std::size_t keywordParenthesis(const std::string& text, std::size_t at, const std::string& keyword) {
    if (text.compare(at, keyword.size(), keyword) != 0) return std::string::npos;
    if (at > 0 && isNameCharacter(text[at - 1])) return std::string::npos;
    std::size_t next = at + keyword.size();
    while (next < text.size() && (text[next] == ' ' || text[next] == '\t' || text[next] == '\n')) ++next;
    return next < text.size() && text[next] == '(' ? next : std::string::npos;
}

// Each for and while loop's condition also asks the guard.
std::string guardLoops(const std::string& source) {
    std::string text = withoutComments(source);
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t forOpen = keywordParenthesis(text, at, "for");
        const std::size_t whileOpen = keywordParenthesis(text, at, "while");
        const std::size_t open = forOpen != std::string::npos ? forOpen : whileOpen;
        if (open == std::string::npos) continue;
        const std::size_t close = closingParenthesis(text, open);
        if (close == std::string::npos) break;  // GL will say what is wrong
        std::string inside = text.substr(open + 1, close - open - 1);
        if (forOpen != std::string::npos) {
            const std::size_t first = inside.find(';');
            const std::size_t second = first == std::string::npos ? first : inside.find(';', first + 1);
            if (second == std::string::npos) continue;
            const std::string condition = inside.substr(first + 1, second - first - 1);
            const bool empty = condition.find_first_not_of(" \t\n") == std::string::npos;
            inside = inside.substr(0, first + 1) + (empty ? " vizLoopGoesOn()" : " (" + condition + ") && vizLoopGoesOn()") +
                     inside.substr(second);
        } else {
            inside = "(" + inside + ") && vizLoopGoesOn()";
        }
        text.replace(open + 1, close - open - 1, inside);
        at = open;
    }
    return text;
}

// The desktop version a "#version" line asks for: "330 core" is 330, an
// ES version the desktop one it matches ("300 es" is 330), and a number
// that names no version the next that does.
int versionOf(const std::string& line) {
    const auto digits = line.find_first_of("0123456789");
    if (digits == std::string::npos) return 0;
    const int number = std::atoi(line.c_str() + digits);
    if (line.find(" es", digits) != std::string::npos) return number >= 320 ? 450 : number >= 310 ? 430 : 330;
    for (int known : {130, 140, 150, 330, 400, 410, 420, 430, 440, 450}) {
        if (number <= known) return known;
    }
    return 450;  // the newest Mesa's software rasteriser takes
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
        } else if (const auto first = line.find_first_not_of(" \t");
                   first != std::string::npos && line.compare(first, 10, "precision ") == 0) {
            line.clear();  // the desktop's GLSL has no use for them, and refuses some (samplers')
        }
        body += line + "\n";
    }
    // From 1.50 on, a version names a profile; the scene draws in the compatibility one.
    const std::string profile = version >= 150 ? " compatibility" : "";
    // Before 3.30, #line N numbers the line after it N + 1.
    const std::string firstLine = version >= 330 ? "#line 1\n" : "#line 0\n";
    return "#version " + std::to_string(version) + profile + "\n" + extensions + kInputs + kLoopGuard + firstLine +
           guardLoops(body) + kMain;
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
