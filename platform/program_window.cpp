#include "platform/program_window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/gl_setup.h"

namespace {
// freeglut names no class for its window; desktops match a window to its
// menu entry (and icon) by the class, so it is set here.
void nameWindowClass() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;
    char name[] = "viz";
    XClassHint hint{name, name};
    XSetClassHint(display, window, &hint);
}
}  // namespace

void openProgramWindow(const WindowRequest& request) {
    // glutInit may take words away: it gets copies.
    std::vector<std::string> words = request.glutWords;
    std::vector<char*> arguments;
    for (std::string& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    int count = static_cast<int>(words.size());
    glutInit(&count, arguments.data());
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | (request.alpha ? GLUT_ALPHA : 0));
    glutInitWindowSize(request.width, request.height);
    if (request.areaWidth > 0 && request.areaHeight > 0) {
        glutInitWindowPosition(request.areaX + (request.areaWidth - request.width) / 2,
                               request.areaY + (request.areaHeight - request.height) / 2);
    }
    glutCreateWindow(":]");
    nameWindowClass();
    // freeglut refuses to show a window without a display callback; the
    // window loop puts its own in place, others draw their frames themselves.
    glutDisplayFunc([] {});
    // X11 repeats a held key as press/release pairs; one press must be one step.
    glutIgnoreKeyRepeat(1);
    initGL();
}

bool WindowRequest::startsMinimised() const {
    return std::find(glutWords.begin(), glutWords.end(), "-iconic") != glutWords.end();
}

bool displayOpens(const std::string& name) {
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display == nullptr) return false;
    XCloseDisplay(display);
    return true;
}
