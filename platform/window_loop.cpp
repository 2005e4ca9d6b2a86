#include "platform/window_loop.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <poll.h>

#include <chrono>
#include <cmath>

#include "platform/fullscreen.h"
#include "platform/gl_setup.h"

namespace {
// GLUT's callbacks take no object: the loop they report to.
WindowLoop* attachedLoop = nullptr;

constexpr unsigned char kNoKey = 0;

void record(WindowEvent::Kind kind, unsigned char key = kNoKey) {
    if (attachedLoop != nullptr) attachedLoop->input.events.push_back({kind, key});
}

// Sleeps up to `seconds`, waking early when the window system has something
// for the window: a key or a click is never held up by the wait.
void waitForWindowEvents(double seconds) {
    Display* display = glXGetCurrentDisplay();
    pollfd connection{};
    connection.fd = display != nullptr ? ConnectionNumber(display) : -1;  // -1: a plain sleep
    connection.events = POLLIN;
    poll(&connection, 1, static_cast<int>(std::ceil(seconds * 1000)));
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void onKeyDown(unsigned char key, int, int) { record(WindowEvent::Kind::KeyDown, key); }
void onKeyUp(unsigned char key, int, int) { record(WindowEvent::Kind::KeyUp, key); }

void onSpecialKeyDown(int key, int, int) {
    if (key == GLUT_KEY_F11) record(WindowEvent::Kind::F11Down);
}

void onSpecialKeyUp(int key, int, int) {
    if (key == GLUT_KEY_LEFT) record(WindowEvent::Kind::LeftArrowUp);
    if (key == GLUT_KEY_RIGHT) record(WindowEvent::Kind::RightArrowUp);
}

void onMouse(int, int state, int x, int y) {
    if (attachedLoop == nullptr) return;
    WindowInput& input = attachedLoop->input;
    input.buttonHeld = state == GLUT_DOWN;
    if (state == GLUT_DOWN) {
        input.pressX = static_cast<float>(x);
        input.pressY = static_cast<float>(y);
    } else {
        record(WindowEvent::Kind::ButtonUp);
    }
}

void onPassiveMotion(int x, int y) {
    if (attachedLoop == nullptr) return;
    attachedLoop->input.pointerMovedTo(x, y);
    attachedLoop->pointer.moved(secondsNow());
}

// A drag steers nothing, but it is a move: the pointer shows.
void onDrag(int, int) {
    if (attachedLoop != nullptr) attachedLoop->pointer.moved(secondsNow());
}

void onReshape(int width, int height) {
    if (attachedLoop != nullptr) attachedLoop->reshape(width, height);
}

void onWindowStatus(int glutStatus) {
    if (attachedLoop != nullptr) attachedLoop->pacer.setWindowStatus(glutStatus);
}

void onIdle() {
    if (attachedLoop != nullptr) attachedLoop->idle();
}

void onDisplay() {
    if (attachedLoop != nullptr) attachedLoop->display();
}
}  // namespace

WindowLoop::~WindowLoop() {
    if (attachedLoop == this) attachedLoop = nullptr;
}

void WindowLoop::attach() {
    attachedLoop = this;
    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyDown);
    glutIdleFunc(onIdle);
    glutWindowStatusFunc(onWindowStatus);
    glutMouseFunc(onMouse);
    glutPassiveMotionFunc(onPassiveMotion);
    glutSpecialFunc(onSpecialKeyDown);
    glutSpecialUpFunc(onSpecialKeyUp);
    glutMotionFunc(onDrag);
    glutKeyboardUpFunc(onKeyUp);
}

void WindowLoop::run() {
    attach();
    // Closed by the window manager, the loop returns as for a quit: what the
    // program owns closes down in order.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutMainLoop();
}

void WindowLoop::leave() { glutLeaveMainLoop(); }

void WindowLoop::idle() {
    const double now = secondsNow();
    followWindowManagersFullscreen();
    pointer.update(now, fullscreenNow());
    if (const double wait = pacer.secondsUntilNextFrame(now); wait > 0) {
        waitForWindowEvents(wait);
        return;  // freeglut handles what came, then asks again
    }
    pacer.frameStarted(now);
    if (pacer.windowSeen()) {
        glutPostRedisplay();
    } else {
        client.keepGoing(input);  // freeglut draws no window it cannot show
    }
}

void WindowLoop::display() {
    smooth.beginFrame();
    client.drawFrame(input);
    smooth.endFrame();
    glutSwapBuffers();
}

void WindowLoop::smoothEdges(int samples) { smooth.open(samples, input.windowWidth, input.windowHeight); }

void WindowLoop::reshape(int width, int height) {
    reshapeWindow(input, width, height);
    smooth.resize(width, height);
}

void reshapeWindow(WindowInput& input, int width, int height) {
    input.windowWidth = width;
    input.windowHeight = height;
    setProjection(width, height);
}
