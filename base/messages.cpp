#include "base/messages.h"

#include <cstdio>

void tellUser(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void diagnose(const std::string& line) { std::fprintf(stderr, "viz: %s\n", line.c_str()); }
