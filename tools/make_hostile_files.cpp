// Writes the hostile-file set into a folder: seeds for the fuzzer, and
// files to try the program on by hand.
// Usage: viz_make_hostile_files FOLDER
#include <cstdio>

#include "tools/hostile_mp3s.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const auto paths = mp3::writeHostileFiles(argv[1]);
    std::fprintf(stderr, "%zu files written to %s\n", paths.size(), argv[1]);
    return paths.empty() ? 1 : 0;
}
