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

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
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
           "X options such as -display NAME and -sync go to the window system.\n";
}

void answerCommandLine(const CommandLine& line) {
    switch (line.action) {
        case CommandLine::Action::Run:
            return;
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
