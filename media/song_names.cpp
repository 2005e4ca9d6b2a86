#include "media/song_names.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "decoding/song_formats.h"

std::string displayName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    const std::size_t nameLength = path.size() - slash - 1;
    // Names of no song lose four characters, as an MP3's do.
    const std::size_t ending = std::max<std::size_t>(songEndingLength(path.substr(slash + 1)), 4);
    if (nameLength <= ending) return {};
    return path.substr(slash + 1, nameLength - ending);
}

std::string absolutePath(const std::string& place) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(place, error);
    if (error) return place;
    std::filesystem::path result;
    for (const std::filesystem::path& step : full) {
        if (step != ".") result /= step;
    }
    return result.string();
}
