#pragma once
// Where the installed fonts are, as fontconfig tells it.
#include <optional>
#include <string>

struct FontFile {
    std::string path;
    int faceIndex = 0;  // which face of a collection
};

// The system's match for the family `name` ("Tahoma" is DejaVu Sans on Debian).
std::optional<FontFile> matchFont(const char* name);
