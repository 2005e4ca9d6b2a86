#pragma once
// Where the installed fonts are, as fontconfig tells it.
#include <optional>
#include <string>
#include <vector>

struct FontFile {
    std::string path;
    int faceIndex = 0;  // which face of a collection
};

// The system's match for the family `name` ("Tahoma" is DejaVu Sans on Debian).
std::optional<FontFile> matchFont(const char* name);

// The scalable fonts that claim character `c`, in fontconfig's order of
// preference for the family `name`: its match first, when that has `c`,
// then the fallbacks. The preference list is worked out once per family.
std::vector<FontFile> fontsWithCharacter(const char* name, char32_t c);
