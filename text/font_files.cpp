#include "text/font_files.h"

#include <fontconfig/fontconfig.h>

namespace {
// `name` with the system's substitutions, ready to be matched.
FcPattern* substitutedPattern(const char* name) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    if (pattern == nullptr) return nullptr;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

std::optional<FontFile> fileOf(FcPattern* font) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
    FontFile found{reinterpret_cast<const char*>(file)};
    if (FcPatternGetInteger(font, FC_INDEX, 0, &found.faceIndex) != FcResultMatch) found.faceIndex = 0;
    return found;
}
}  // namespace

std::optional<FontFile> matchFont(const char* name) {
    if (!FcInit()) return std::nullopt;
    FcPattern* pattern = substitutedPattern(name);
    if (pattern == nullptr) return std::nullopt;
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;
    std::optional<FontFile> found = fileOf(match);
    FcPatternDestroy(match);
    return found;
}
