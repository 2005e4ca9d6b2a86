// Writes the hostile-file set into a folder: seeds for the fuzzers, and
// files to try the program on by hand. Besides the MP3s, a good and damaged
// file of each other kind, each behind one byte that names its kind (the
// other-formats fuzzer reads it so).
// Usage: viz_make_hostile_files FOLDER
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/hostile_mp3s.h"
#include "tools/mp3_writer.h"
#include "tools/song_maker.h"

namespace {
std::size_t writeOtherKindSeeds(const std::string& folder) {
    mp3::TempFolder scratch;
    std::size_t written = 0;
    for (unsigned char kind = 0; kind < std::size(songs::kEndings); ++kind) {
        for (const std::string& path : songs::writeHostileCopies(scratch.path(), songs::kEndings[kind])) {
            std::ifstream in(path, std::ios::binary);
            std::vector<unsigned char> seed{kind};
            seed.insert(seed.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            const std::string name = path.substr(path.rfind('/') + 1);
            written += writeBytes(folder + "/kind-" + std::to_string(kind) + "-" + name, seed) ? 1 : 0;
        }
    }
    return written;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const auto paths = mp3::writeHostileFiles(argv[1]);
    const std::size_t others = writeOtherKindSeeds(argv[1]);
    std::fprintf(stderr, "%zu files written to %s\n", paths.size() + others, argv[1]);
    return paths.empty() || others == 0 ? 1 : 0;
}
