// Frame-rate benchmarks at 500x500. Every figure is reported as a ratio to
// the bare frame (clear and swap) measured in the same run, since absolute
// numbers on a shared machine mean little.
#include <GL/freeglut.h>

#include <cstdio>

#include "app/frame_loop.h"
#include "app/gl_setup.h"
#include "app/startup.h"
#include "bench/frame_rate.h"

namespace {
constexpr double kSecondsPerMeasure = 2.0;

void bareFrame() { clearToLevel(0.0f); }
}  // namespace

int main(int argc, char** argv) {
    openProgramWindow(&argc, argv);
    glutDisplayFunc([] {});
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    onReshape(500, 500);

    const double bare = measureFramesPerSecond(bareFrame, kSecondsPerMeasure);
    reportFrameRate("bare frame (clear + swap)", bare, bare);
    return 0;
}
