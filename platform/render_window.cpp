#include "platform/render_window.h"

#include <epoxy/gl.h>
// After epoxy, which stands in for GL's own header.
#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "platform/gl_setup.h"
#include "platform/program_window.h"

namespace {
// Every picture has been read back: the display is no longer needed.
bool picturesAllTaken = false;
bool leaving = false;

// Ends the process through exit(), which takes the partial video away; an
// error met while exiting (Xlib flushing a dead connection) ends it at once.
[[noreturn]] void leave(int status, const std::string& message) {
    if (leaving) _exit(status);
    leaving = true;
    if (!message.empty()) diagnose(message);
    std::exit(status);
}

// Xlib calls this when the connection to the display is gone, and ends the
// process if it returns.
int onLostDisplay(Display*) {
    if (picturesAllTaken) leave(0, "");
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

// The program's window, on the private display, at the video's size.
void openRenderWindow(const PrivateDisplay& display, int width, int height) {
    // Ours, not Xlib's and freeglut's, which print at length and exit with 1.
    // freeglut puts its own in place while it makes the GL context, then ours
    // back. Mesa is asked not to add its own lines.
    XSetIOErrorHandler(onLostDisplay);
    XSetErrorHandler(onDisplayError);
    glutInitErrorFunc(onFreeglutError);
    setenv("LIBGL_DEBUG", "quiet", 0);
    openProgramWindow(
        {.glutWords = {"viz", "-display", display.name()}, .width = width, .height = height, .alpha = true});
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    setProjection(width, height);
}
}  // namespace

RenderWindow::~RenderWindow() {
    if (windowOpened) glutExit();
}

Problem RenderWindow::open(int width, int height, int samples) {
    const Problem noOffscreen = offscreen.open(width, height);
    if (!noOffscreen) {
        initGL();
        setProjection(width, height);
        smooth.open(samples, width, height, offscreen.framebuffer(0));
        return {};
    }
    diagnose("no offscreen GL (EGL: " + noOffscreen.message() + "): drawing on a private Xvfb instead");
    if (Problem problem = display.start(width, height)) return problem;
    openRenderWindow(display, width, height);
    smooth.open(samples, width, height);
    windowOpened = true;
    return {};
}

void RenderWindow::beginPicture() {
    if (!windowOpened) {
        const unsigned target = offscreen.framebuffer(static_cast<int>(drawn % OffscreenGl::kTargets));
        glBindFramebuffer(GL_FRAMEBUFFER, target);
        smooth.retarget(target);
    }
    smooth.beginFrame();
}

void RenderWindow::endPicture() {
    smooth.endFrame();
    glFlush();
    ++drawn;
}

void RenderWindow::readOldestPicture(int width, int height, unsigned char* pixels) {
    const unsigned source = windowOpened ? 0 : offscreen.framebuffer(static_cast<int>(read % OffscreenGl::kTargets));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    ++read;
}

void RenderWindow::allPicturesTaken() { picturesAllTaken = true; }
