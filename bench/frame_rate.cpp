#include "bench/frame_rate.h"

#include <GL/freeglut.h>

#include <chrono>
#include <cstdio>

double measureFramesPerSecond(const std::function<void()>& drawFrame, double seconds) {
    using Clock = std::chrono::steady_clock;
    // One untimed frame first: lists, textures and caches are built on first use.
    drawFrame();
    glutSwapBuffers();
    glFinish();

    const auto start = Clock::now();
    long frames = 0;
    double elapsed = 0;
    do {
        drawFrame();
        glutSwapBuffers();
        glutMainLoopEvent();
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    glFinish();
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return frames / elapsed;
}

void reportFrameRate(const std::string& name, double fps, double bareFps) {
    std::printf("%-34s %10.1f fps   %8.4f x bare frame\n", name.c_str(), fps, fps / bareFps);
    std::fflush(stdout);
}
