#include "text/font_files.h"

#include <fontconfig/fontconfig.h>

#include <map>

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

bool isScalable(FcPattern* font) {
    FcBool scalable = FcFalse;
    return FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable;
}

bool hasCharacter(FcPattern* font, char32_t c) {
    FcCharSet* characters = nullptr;
    return FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) == FcResultMatch &&
           FcCharSetHasChar(characters, c);
}

// Every installed font, best match for `name` first, kept for the process's
// life (the map is never destroyed, so leak checkers still see the sets).
FcFontSet* fontsByPreference(const char* name) {
    static auto& sorted = *new std::map<std::string, FcFontSet*>;
    const auto known = sorted.find(name);
    if (known != sorted.end()) return known->second;
    FcFontSet* fonts = nullptr;
    if (FcInit()) {
        if (FcPattern* pattern = substitutedPattern(name)) {
            FcResult result = FcResultNoMatch;
            fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
            FcPatternDestroy(pattern);
        }
    }
    sorted[name] = fonts;
    return fonts;
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

std::vector<FontFile> fontsWithCharacter(const char* name, char32_t c) {
    std::vector<FontFile> found;
    const FcFontSet* fonts = fontsByPreference(name);
    if (fonts == nullptr) return found;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        if (!isScalable(font) || !hasCharacter(font, c)) continue;
        if (std::optional<FontFile> file = fileOf(font)) found.push_back(*file);
    }
    return found;
}
