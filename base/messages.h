#pragma once
// The two voices of the program. What it says to its user on standard
// output is its own few texts, word for word, flushed at once (standard
// output is often a pipe or a logger); everything else, such as why a
// command line was refused, goes to standard error after "viz: ".
#include <string>

void tellUser(const char* text);
void diagnose(const std::string& line);
