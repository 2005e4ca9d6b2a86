#include "app/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

namespace {
// What a settings line may set: how the program runs, not what it is asked to do.
const std::vector<std::string> kSettings = {"max-fps", "fullscreen", "background", "monitor",
                                           "samples", "listen",     "order"};
// Settings the command line overrides together: one is the other's opposite.
const std::vector<std::vector<std::string>> kRivals = {{"fullscreen", "background"}};

struct Setting {
    std::string option;  // "--max-fps=60"
    std::string name;    // "max-fps"
    int lineNumber = 0;
};

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

CommandLine refused(const std::string& why) {
    CommandLine line;
    line.action = CommandLine::Action::Refuse;
    line.error = why;
    return line;
}

// "name = value" as "--name=value".
Setting settingOf(const std::string& text, int lineNumber) {
    const std::size_t equals = text.find('=');
    const std::string name = trimmed(text.substr(0, equals));
    const std::string value = equals == std::string::npos ? "" : "=" + trimmed(text.substr(equals + 1));
    return {"--" + name + value, name, lineNumber};
}

// Each line checked alone, as the command line would take it.
Problem readSettings(const std::string& path, std::vector<Setting>& settings) {
    std::ifstream file(path);
    if (!file) {
        if (errno == ENOENT) return {};
        return "cannot read '" + path + "': " + std::strerror(errno);
    }
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        text = trimmed(text);
        if (text.empty() || text[0] == '#') continue;
        const Setting setting = settingOf(text, number);
        const std::string where = path + ":" + std::to_string(number) + ": ";
        const char* alone[] = {"viz", setting.option.c_str()};
        const CommandLine line = parseCommandLine(2, alone);
        const bool settable = std::ranges::find(kSettings, setting.name) != kSettings.end();
        // A name the command line does not know is told as it tells it.
        if (line.action == CommandLine::Action::Refuse && (settable || line.error.starts_with("unknown option"))) {
            return where + line.error;
        }
        if (!settable) {
            return where + "'" + setting.name + "' is no setting; the file takes max-fps, fullscreen, background, "
                                                "monitor, samples, listen and order";
        }
        settings.push_back(setting);
    }
    return {};
}

bool given(const CommandLine& line, const std::string& name) {
    return std::ranges::find(line.optionsGiven, name) != line.optionsGiven.end();
}

// Whether the command line leaves `setting` to the file.
bool leftOpen(const CommandLine& line, const std::string& setting) {
    if (given(line, setting)) return false;
    for (const auto& rivals : kRivals) {
        if (std::ranges::find(rivals, setting) == rivals.end()) continue;
        if (std::ranges::any_of(rivals, [&](const std::string& rival) { return given(line, rival); })) return false;
    }
    // A video takes only the smoothing; songs named are not listened past.
    if (line.action == CommandLine::Action::Render) return setting == "samples";
    if (setting == "listen") return line.places.empty();
    return true;
}
}  // namespace

std::string settingsFilePath(const std::string& configHome, const std::string& home) {
    const std::string base = !configHome.empty() ? configHome : home + "/.config";
    return base + "/viz/viz.conf";
}

CommandLine parseWithSettingsFile(int argc, const char* const* argv, const std::string& path) {
    const CommandLine alone = parseCommandLine(argc, argv);
    const bool runs = alone.action == CommandLine::Action::Run || alone.action == CommandLine::Action::Render;
    if (!runs || !alone.readsSettings) return alone;
    std::vector<Setting> settings;
    if (Problem problem = readSettings(path, settings)) return refused(problem.message());
    std::vector<const char*> words = {argc > 0 ? argv[0] : "viz"};
    for (const Setting& setting : settings) {
        if (leftOpen(alone, setting.name)) words.push_back(setting.option.c_str());
    }
    if (words.size() == 1) return alone;
    words.insert(words.end(), argv + std::min(argc, 1), argv + argc);
    return parseCommandLine(static_cast<int>(words.size()), words.data());
}
