#include "media/song_names.h"

#include <cstring>

void lastThreeChars(const char* name, char key[4]) {
    const std::size_t length = std::strlen(name);
    if (length < 3) return;
    std::memcpy(key, name + length - 3, 3);
    key[3] = '\0';
}

std::string displayName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    const std::size_t nameLength = path.size() - slash - 1;
    if (nameLength <= 4) return {};
    return path.substr(slash + 1, nameLength - 4);
}
