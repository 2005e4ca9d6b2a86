#include "app/command_line.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// freeglut's own options, and whether each takes a value.
struct XOption {
    const char* name;
    bool takesValue;
};
constexpr XOption kXOptions[] = {{"-display", true}, {"-geometry", true}, {"-direct", false},
                                 {"-indirect", false}, {"-iconic", false}, {"-gldebug", false},
                                 {"-sync", false}};

const XOption* xOption(const char* argument) {
    for (const XOption& option : kXOptions) {
        if (std::strcmp(argument, option.name) == 0) return &option;
    }
    return nullptr;
}

CommandLine answer(CommandLine::Action action) {
    CommandLine line;
    line.action = action;
    return line;
}

CommandLine refuse(std::string error, bool showUsage) {
    CommandLine refused;
    refused.action = CommandLine::Action::Refuse;
    refused.error = std::move(error);
    refused.showUsage = showUsage;
    return refused;
}
}  // namespace

namespace {
// The value of an option given as "--name value" or "--name=value"; false
// when it has none. `i` moves past a separate value.
bool optionValue(int argc, const char* const* argv, int& i, const char* name, std::string& value) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argv[i], name, length) != 0) return false;
    if (argv[i][length] == '=') {
        value = argv[i] + length + 1;
        return true;
    }
    if (argv[i][length] != '\0' || i + 1 >= argc) return false;
    value = argv[++i];
    return true;
}

bool isOption(const char* argument, const char* name) {
    const std::size_t length = std::strlen(name);
    return std::strncmp(argument, name, length) == 0 && (argument[length] == '\0' || argument[length] == '=');
}

// A whole number within [low, high], all of `text`.
bool wholeNumber(const std::string& text, int low, int high, int& number) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) return false;
    number = static_cast<int>(value);
    return true;
}

// The render options; "" when `argument` was one and its value is good.
std::string readRenderOption(int argc, const char* const* argv, int& i, RenderRequest& render) {
    std::string value;
    if (isOption(argv[i], "--scene")) {
        if (!optionValue(argc, argv, i, "--scene", value)) return "option '--scene' needs a value";
        if (!wholeNumber(value, 0, 101, render.scene) || !isRenderableScene(render.scene)) {
            return "no scene '" + value + "': 0 to 8, 100 (title) or 101 (song selection)";
        }
    } else if (isOption(argv[i], "--fps")) {
        if (!optionValue(argc, argv, i, "--fps", value)) return "option '--fps' needs a value";
        if (!wholeNumber(value, 1, 240, render.fps)) return "--fps takes 1 to 240 frames a second, not '" + value + "'";
    } else if (isOption(argv[i], "--size")) {
        if (!optionValue(argc, argv, i, "--size", value)) return "option '--size' needs a value";
        const std::size_t x = value.find('x');
        // Even sides: the video's colour is stored at half resolution.
        if (x == std::string::npos || !wholeNumber(value.substr(0, x), 16, 4096, render.width) ||
            !wholeNumber(value.substr(x + 1), 16, 4096, render.height) || render.width % 2 != 0 ||
            render.height % 2 != 0) {
            return "--size takes WIDTHxHEIGHT, even numbers from 16 to 4096, not '" + value + "'";
        }
    } else if (isOption(argv[i], "--seconds")) {
        if (!optionValue(argc, argv, i, "--seconds", value)) return "option '--seconds' needs a value";
        char* end = nullptr;
        render.seconds = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(render.seconds > 0) || render.seconds > 86400) {
            return "--seconds takes a time above 0, not '" + value + "'";
        }
    } else {
        return "?";  // not a render option
    }
    return "";
}

bool isRenderOption(const char* argument) {
    for (const char* name : {"--scene", "--fps", "--size", "--seconds"}) {
        if (isOption(argument, name)) return true;
    }
    return false;
}
}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
    bool renderOptionSeen = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        const bool looksLikeOption = !optionsEnded && argument[0] == '-' && argument[1] != '\0';
        if (looksLikeOption) {
            if (std::strcmp(argument, "--") == 0) {
                optionsEnded = true;
            } else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
                return answer(CommandLine::Action::ShowHelp);
            } else if (std::strcmp(argument, "--version") == 0) {
                return answer(CommandLine::Action::ShowVersion);
            } else if (std::strcmp(argument, "--render") == 0) {
                if (i + 2 >= argc) return refuse("--render needs OUT and SONG", true);
                line.action = CommandLine::Action::Render;
                line.render.output = argv[++i];
                line.render.song = argv[++i];
            } else if (isRenderOption(argument)) {
                renderOptionSeen = true;
                if (const std::string problem = readRenderOption(argc, argv, i, line.render); !problem.empty()) {
                    return refuse(problem, false);
                }
            } else if (const XOption* option = xOption(argument)) {
                if (option->takesValue && ++i == argc) {
                    return refuse(std::string("option '") + argument + "' needs a value", true);
                }
            } else {
                return refuse(std::string("unknown option '") + argument + "'", true);
            }
            continue;
        }
        if (!line.folder.empty()) {
            return refuse("one folder at most, not '" + line.folder + "' and '" + argument + "'", true);
        }
        line.folder = argument;
        if (line.folder.empty()) return refuse("the folder name is empty", true);
    }
    if (line.action == CommandLine::Action::Render) {
        if (!line.folder.empty()) return refuse("--render takes a song, not the folder '" + line.folder + "'", true);
        return line;
    }
    if (renderOptionSeen) return refuse("--scene, --fps, --size and --seconds go with --render", true);
    if (!line.folder.empty()) {
        const std::string problem = folderProblem(line.folder);
        if (!problem.empty()) return refuse(problem, false);
    }
    return line;
}

std::string folderProblem(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        return "cannot open '" + folder + "': " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) return "'" + folder + "' is not a folder";
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return "cannot read '" + folder + "': " + std::strerror(errno);
    closedir(listing);
    return "";
}

const char* usageText() {
    return "Usage: viz [FOLDER]\n"
           "Plays the MP3 files under FOLDER, at any depth, and draws the music.\n"
           "Without FOLDER: the media folder beside the program.\n"
           "\n"
           "  Enter        title, then song selection, then scene 0\n"
           "  Left, Right  on the song selection: the previous or next song, at once\n"
           "  1            back to the song selection (the song plays on)\n"
           "  2 ... 8      scenes 2 to 8\n"
           "  mouse click  scenes 0, 1, 2, 3 in turn\n"
           "  q            quit\n"
           "\n"
           "  -h, --help   this text\n"
           "  --version    the version\n"
           "\n"
           "viz --render OUT SONG [--scene N] [--fps N] [--size WxH] [--seconds S]\n"
           "Writes a video of SONG's pictures, with its sound, to OUT (.mp4 or .mkv);\n"
           "needs no window or display.\n"
           "  --scene N    0 to 8, 100 (title) or 101 (song selection); default 3\n"
           "  --fps N      frames a second; default 60\n"
           "  --size WxH   default 1080x1080, drawn at that size\n"
           "  --seconds S  default: the whole song\n"
           "X options such as -display NAME and -sync go to the window system.\n";
}

void answerCommandLine(const CommandLine& line) {
    switch (line.action) {
        case CommandLine::Action::Run:
            return;
        case CommandLine::Action::Render:
            std::exit(renderVideo(line.render));
        case CommandLine::Action::ShowHelp:
            std::fputs(usageText(), stdout);
            std::exit(0);
        case CommandLine::Action::ShowVersion:
            std::printf("viz %s\n", VIZ_VERSION);
            std::exit(0);
        case CommandLine::Action::Refuse:
            std::fprintf(stderr, "viz: %s\n", line.error.c_str());
            if (line.showUsage) std::fputs(usageText(), stderr);
            std::exit(2);
    }
}
