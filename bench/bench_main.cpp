// viz benchmarks. Each result is a ratio to a reference measured in the same
// run (find for the scan, the bare frame for the scenes), since absolute
// numbers on a shared machine mean little.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>

#include "app/frame_drawer.h"
#include "bench/audio_bench.h"
#include "bench/encode_bench.h"
#include "bench/format_bench.h"
#include "bench/frame_rate.h"
#include "bench/listen_bench.h"
#include "bench/render_bench.h"
#include "bench/scan_bench.h"
#include "bench/scene_bench.h"
#include "bench/song_change_bench.h"
#include "bench/song_gap_bench.h"
#include "platform/gl_setup.h"
#include "platform/program_window.h"
#include "platform/window_loop.h"

namespace {
constexpr double kSecondsPerMeasure = 2.0;

void bareFrame() { clearToLevel(0.0f); }

void runDrawingBenchmarks(const char* program) {
    openProgramWindow({.glutWords = {program}});
    prepareFigures();
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    WindowInput windowInput;
    reshapeWindow(windowInput, 500, 500);

    const double bare = measureFramesPerSecond(bareFrame, kSecondsPerMeasure);
    reportFrameRate("bare frame (clear + swap)", bare, bare);
    runSceneBenchmarks(bare);
}
}  // namespace

int main(int argc, char** argv) {
    // `viz_bench --listening`: listening alone, on another kind of server;
    // `--formats`: the decoders alone; `--scenes`: the drawing alone;
    // `--gaps`: the silence between songs alone; `--encoding [VIZ
    // [QUALITY...]]`: the render's encoding alone, of this viz or another.
    if (argc > 1 && std::strcmp(argv[1], "--listening") == 0) {
        runListeningBenchmarks();
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--encoding") == 0) {
        runEncodeBenchmarks(argc > 2 ? argv[2] : VIZ_BINARY, argc > 3 ? argc - 3 : 0, argv + 3);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--gaps") == 0) {
        runSongGapBenchmarks();
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--formats") == 0) {
        runFormatBenchmarks();
        runSongChangeBenchmarks(VIZ_DEMO_FOLDER);
        return 0;
    }
    const char* program = argc > 0 ? argv[0] : "viz_bench";
    if (argc > 1 && std::strcmp(argv[1], "--scenes") == 0) {
        runDrawingBenchmarks(program);
        return 0;
    }
    runScanBenchmark();
    runAudioBenchmarks();
    runFormatBenchmarks();
    runListeningBenchmarks();
    runSongChangeBenchmarks(VIZ_DEMO_FOLDER);
    runSongGapBenchmarks();
    runRenderBenchmarks(VIZ_BINARY);
    runEncodeBenchmarks(VIZ_BINARY);
    runDrawingBenchmarks(program);
    return 0;
}
