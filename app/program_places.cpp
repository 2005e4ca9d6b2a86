#include "app/program_places.h"

#include <unistd.h>

#include <cstdlib>

namespace {
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}
}  // namespace

std::string executableFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

std::vector<std::string> shaderSceneFolders() {
    const std::string configHome = environment("XDG_CONFIG_HOME");
    const std::string config = !configHome.empty() ? configHome : environment("HOME") + "/.config";
    const std::string program = executableFolder();
    return {config + "/viz/scenes", program + "/scenes", program + "/../share/viz/scenes"};
}
