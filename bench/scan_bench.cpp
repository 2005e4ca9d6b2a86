#include "bench/scan_bench.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "media/media_scanner.h"

namespace {
constexpr int kFolders = 1000;
constexpr int kEntriesPerFolder = 99;  // with the folders: 100,000 entries

// 10 top folders of 99 sub-folders each (plus the tops: 1,000 folders), every
// folder holding 99 files of which one in ten is an MP3.
std::string makeTree() {
    std::string root = (std::filesystem::temp_directory_path() / "viz-scan-XXXXXX").string();
    if (mkdtemp(root.data()) == nullptr) std::abort();
    int made = 0;
    auto fillFolder = [&](const std::string& folder) {
        for (int f = 0; f < kEntriesPerFolder; ++f) {
            const std::string name =
                folder + "/track " + std::to_string(f) + (f % 10 == 0 ? ".mp3" : ".txt");
            close(open(name.c_str(), O_CREAT | O_WRONLY, 0644));
        }
    };
    for (int top = 0; top < 10 && made < kFolders; ++top, ++made) {
        const std::string topFolder = root + "/album " + std::to_string(top);
        mkdir(topFolder.c_str(), 0755);
        fillFolder(topFolder);
        for (int sub = 0; sub < kFolders / 10 - 1 && made < kFolders; ++sub, ++made) {
            const std::string subFolder = topFolder + "/disc " + std::to_string(sub);
            mkdir(subFolder.c_str(), 0755);
            fillFolder(subFolder);
        }
    }
    return root;
}

template <typename Work>
double bestSeconds(int runs, Work work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}
}  // namespace

void runScanBenchmark() {
    const std::string root = makeTree();
    std::size_t songs = 0;
    const double scan = bestSeconds(5, [&] {
        MediaScanner scanner;
        scanner.scan(root);
        std::vector<std::string> list;
        scanner.appendMatchesTo(list);
        songs = list.size();
    });
    const std::string findCommand = "find '" + root + "' -name '*mp3' > /dev/null";
    const double find = bestSeconds(5, [&] {
        if (std::system(findCommand.c_str()) != 0) std::fprintf(stderr, "find failed\n");
    });
    const double entries = kFolders * (kEntriesPerFolder + 1.0);
    std::printf("media scan, %.0f entries, %zu songs:  %10.0f entries/s   %8.2f x the time of find\n",
                entries, songs, entries / scan, scan / find);
    std::printf("find -name '*mp3' on the same tree:   %10.0f entries/s\n", entries / find);
    std::fflush(stdout);
    std::filesystem::remove_all(root);
}
