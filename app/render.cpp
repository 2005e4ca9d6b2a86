#include "app/render.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/frame_loop.h"
#include "app/gl_setup.h"
#include "app/input.h"
#include "app/level.h"
#include "app/private_display.h"
#include "app/scene_table.h"
#include "app/song_selection.h"
#include "app/song_track.h"
#include "audio/song_levels.h"
#include "base/design_window.h"
#include "base/random.h"
#include "media/media_library.h"
#include "media/playback.h"

namespace {
constexpr std::uint32_t kRenderSeed = 1;  // the same pictures every time

int fail(const std::string& message) {
    std::fprintf(stderr, "viz: %s\n", message.c_str());
    return 2;
}

// Every picture has been read back: the display is no longer needed.
bool allPicturesTaken = false;
bool leaving = false;

// Ends the process through exit(), which takes the partial video away; an
// error met while exiting (Xlib flushing a dead connection) ends it at once.
[[noreturn]] void leave(int status, const std::string& message) {
    if (leaving) _exit(status);
    leaving = true;
    if (!message.empty()) std::fprintf(stderr, "viz: %s\n", message.c_str());
    std::exit(status);
}

// Xlib calls this when the connection to the display is gone, and ends the
// process if it returns.
int onLostDisplay(Display*) {
    if (allPicturesTaken) leave(0, "");
    leave(2, "the virtual display went away before the video was done");
}

int onDisplayError(Display*, XErrorEvent* error) {
    if (leaving) return 0;
    leave(2, "the virtual display refused a request (X error " + std::to_string(error->error_code) + ")");
}

void onFreeglutError(const char* format, va_list arguments) {
    char message[512];
    std::vsnprintf(message, sizeof message, format, arguments);
    leave(2, std::string("the virtual display cannot draw: ") + message);
}

// Frames done, video seconds per wall second and the time left, on one line
// of the terminal; silent when standard error is not one.
class ProgressBar {
public:
    ProgressBar(long long frames, double fps) : total(frames), fps(fps), shown(isatty(STDERR_FILENO) != 0) {}

    void update(long long done) {
        if (!shown) return;
        const double elapsed = secondsSince(start);
        if (done < total && elapsed - lastDrawn < 0.2) return;
        lastDrawn = elapsed;
        const double speed = static_cast<double>(done) / fps / std::max(elapsed, 1e-6);
        const auto left = static_cast<long long>(static_cast<double>(total - done) / fps / std::max(speed, 1e-6));
        std::fprintf(stderr, "\r%s", progressLine(done, total, speed, left).c_str());
        std::fflush(stderr);
    }

    void finish() {
        if (shown) std::fprintf(stderr, "\n");
    }

private:
    using Clock = std::chrono::steady_clock;
    static double secondsSince(Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    }
    const long long total;
    const double fps;
    const bool shown;
    const Clock::time_point start = Clock::now();
    double lastDrawn = -1;
};

// The program's window, on the private display, at the video's size.
void openRenderWindow(const PrivateDisplay& display, int width, int height) {
    std::string name = display.name();
    char program[] = "viz";
    char option[] = "-display";
    char* argv[] = {program, option, name.data(), nullptr};
    int argc = 3;
    // Ours, not Xlib's and freeglut's, which print at length and exit with 1.
    // freeglut puts its own in place while it makes the GL context, then ours
    // back. Mesa is asked not to add its own lines.
    XSetIOErrorHandler(onLostDisplay);
    XSetErrorHandler(onDisplayError);
    glutInitErrorFunc(onFreeglutError);
    setenv("LIBGL_DEBUG", "quiet", 0);
    glutInit(&argc, argv);
    // An alpha channel the pictures never use: Mesa then reads the frame back
    // as a plain copy (0.65 ms instead of 2.2 ms for 1080 x 1080).
    glutInitDisplayMode(GLUT_RGBA | GLUT_ALPHA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutCreateWindow(":]");
    glutDisplayFunc([] {});
    initGL();
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    onReshape(width, height);
    // Figures that work in window pixels (the paint canvas) work in those of
    // the design window, scaled to the picture: the 500 x 500 composition,
    // drawn at the video's resolution.
    windowWidth = windowHeight = kDesignWindowSize;
}

// The program's state as a run would have it with this song chosen, the
// pointer still at the window's centre.
void setUpScene(const RenderRequest& request) {
    seedRandom(kRenderSeed);
    songList = {request.song};
    currentSongIndex = 0;
    currentScene = request.scene;
    onPassiveMotion(static_cast<int>(kDesignWindowCentre), static_cast<int>(kDesignWindowCentre));
    if (request.scene == kSelectionScene) showSelectionOfCurrentSong();
}

void drawVideoFrame(long long index, FrameRate fps, SongLevels& levels) {
    const double seconds = static_cast<double>(index) * fps.denominator / fps.numerator;
    frameDelta = static_cast<float>(1.0 / fps.perSecond());
    frameTime = static_cast<float>(seconds);
    level = levels.levelAt(seconds);
    clearToLevel(level);
    switchOnLight1();
    drawCurrentScene();
    previousFrameTime = frameTime;
}

// Writing the video over the song would destroy the song before it is read.
std::string sameFileProblem(const RenderRequest& request) {
    struct stat output {}, song {};
    if (stat(request.output.c_str(), &output) != 0 || stat(request.song.c_str(), &song) != 0) return "";
    if (output.st_dev != song.st_dev || output.st_ino != song.st_ino) return "";
    return "'" + request.output + "' is the song itself: the video would replace it";
}

}  // namespace

std::string progressLine(long long done, long long total, double speed, long long secondsLeft) {
    constexpr int kWidth = 20;
    const int filled = static_cast<int>(done * kWidth / std::max(total, 1LL));
    char line[160];
    std::snprintf(line, sizeof line, "[%.*s%*s] %lld/%lld frames  %.1fx  %lld:%02lld left ", filled,
                  "====================", kWidth - filled, "", done, total, std::min(speed, 9999.0),
                  secondsLeft / 60, secondsLeft % 60);
    return line;
}

int renderVideo(const RenderRequest& request) {
    if (std::string problem = sameFileProblem(request); !problem.empty()) return fail(problem);
    SongLevels levels;
    Mp3Frames frames;
    if (!levels.open(request.song) || !frames.open(request.song)) return fail("cannot play '" + request.song + "'");
    if (frames.freeFormat()) {
        return fail("'" + request.song + "' is a free-format MP3, which video players cannot decode");
    }
    const double seconds = request.seconds > 0 ? request.seconds : levels.seconds();
    const auto frameCount = static_cast<long long>(std::ceil(seconds * request.fps.perSecond() - 1e-9));

    VideoFile video;
    VideoFile::Settings settings;
    settings.path = request.output;
    settings.width = request.width;
    settings.height = request.height;
    settings.fps = request.fps;
    // The sound from the song's first sample to the end of the video or of
    // the song, whichever comes first.
    const auto videoSamples = static_cast<std::int64_t>(std::llround(seconds * levels.sampleRate()));
    settings.audio = songTrack(frames, std::min(levels.frames(), videoSamples));
    if (std::string problem = video.open(settings); !problem.empty()) return fail(problem);

    PrivateDisplay display;
    if (std::string problem = display.start(request.width, request.height); !problem.empty()) return fail(problem);
    openRenderWindow(display, request.width, request.height);
    // The window and its GL context go before the display does.
    struct WindowCloser {
        ~WindowCloser() { glutExit(); }
    } closeWindowFirst;
    setUpScene(request);

    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ProgressBar progress(frameCount, request.fps.perSecond());
    for (long long index = 0; index < frameCount; ++index) {
        drawVideoFrame(index, request.fps, levels);
        glReadPixels(0, 0, request.width, request.height, GL_BGRA, GL_UNSIGNED_BYTE, video.nextPicture());
        if (std::string problem = video.addPicture(); !problem.empty()) return fail(problem);
        progress.update(index + 1);
    }
    allPicturesTaken = true;
    progress.finish();
    if (std::string problem = video.finish(); !problem.empty()) return fail(problem);
    return 0;
}
