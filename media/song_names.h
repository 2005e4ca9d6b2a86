#pragma once
#include <string>

// Copies the last three characters of `name` and a NUL into `key`; a name
// shorter than three characters leaves `key` as it was.
void lastThreeChars(const char* name, char key[4]);

// The name a song is shown under: its file name without the last four
// characters (".mp3"); empty when the path has no '/' or the name is too short.
std::string displayName(const std::string& path);
