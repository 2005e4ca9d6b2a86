// The window's callbacks only record what the user did, as X delivers it
// to the real window: a button pressed is no click yet, a released one is;
// keys and arrows come in the order they happened, and act at the next frame.
#include <gtest/gtest.h>

// After GoogleTest, whose names X's macros (None) would take.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/window_loop.h"
#include "tests/support/live_frames.h"

namespace {
class WindowEvents : public LiveFrames {
protected:
    void SetUp() override {
        LiveFrames::SetUp();
        display = glXGetCurrentDisplay();
        window = glXGetCurrentDrawable();
        loop.attach();
        gltest::pumpEvents();
        loop.input.events.clear();
    }

    XEvent eventOfType(int type) {
        XEvent event{};
        event.xany.type = type;
        event.xany.display = display;
        event.xany.window = window;
        return event;
    }
    void send(int type, unsigned button) {
        XEvent event = eventOfType(type);
        event.xbutton.root = DefaultRootWindow(display);
        event.xbutton.x = event.xbutton.y = 100;
        event.xbutton.button = button;
        event.xbutton.same_screen = True;
        deliver(event);
    }
    void sendKey(int type, KeySym key) {
        XEvent event = eventOfType(type);
        event.xkey.root = DefaultRootWindow(display);
        event.xkey.keycode = XKeysymToKeycode(display, key);
        event.xkey.same_screen = True;
        deliver(event);
    }
    void deliver(XEvent& event) {
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);  // the event is back in the queue before freeglut looks
        gltest::pumpEvents();
    }

    WindowLoop loop{frameLoop};
    Display* display = nullptr;  // the test window's, once it is open
    Window window = 0;
};
}  // namespace

TEST_F(WindowEvents, ArePressesRecordedOnReleaseAndKeysInOrder) {
    send(ButtonPress, Button1);
    EXPECT_TRUE(loop.input.events.empty()) << "a press is not a click";
    send(ButtonRelease, Button1);
    sendKey(KeyPress, XK_q);
    sendKey(KeyRelease, XK_Right);

    const std::vector<WindowEvent> events = loop.input.takeEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, WindowEvent::Kind::ButtonUp);
    EXPECT_EQ(events[1].kind, WindowEvent::Kind::KeyDown);
    EXPECT_EQ(events[1].key, 'q');
    EXPECT_EQ(events[2].kind, WindowEvent::Kind::RightArrowUp);
    EXPECT_EQ(frameLoop.controls.currentScene, kTitleScene) << "nothing acts before the next frame";
    EXPECT_TRUE(loop.input.events.empty());
}

TEST_F(WindowEvents, QAsksTheLoopToEndAtTheNextFrame) {
    sendKey(KeyPress, XK_q);
    EXPECT_FALSE(frameLoop.controls.quitAsked);
    frameLoop.drawFrame(loop.input);
    EXPECT_TRUE(frameLoop.controls.quitAsked);
}
