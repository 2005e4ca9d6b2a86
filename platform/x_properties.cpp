#include "platform/x_properties.h"

#include <X11/Xatom.h>

#include <algorithm>

namespace {
bool requestFailed = false;
int noteFailure(Display*, XErrorEvent*) {
    requestFailed = true;
    return 0;
}

// Reads a property of a window that may be gone, with no X error ending the
// process: empty then.
std::vector<unsigned long> readPropertyOfAnyWindow(Display* display, Window window, const char* name, Atom type) {
    XSync(display, False);
    requestFailed = false;
    const auto previous = XSetErrorHandler(noteFailure);
    std::vector<unsigned long> items = readProperty(display, window, name, type);
    XSync(display, False);
    XSetErrorHandler(previous);
    return requestFailed ? std::vector<unsigned long>{} : items;
}
}  // namespace

Atom atomNamed(Display* display, const char* name) { return XInternAtom(display, name, False); }

std::vector<unsigned long> readProperty(Display* display, Window window, const char* name, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    const int status = XGetWindowProperty(display, window, atomNamed(display, name), 0, 4096, False, type,
                                          &actualType, &format, &count, &after, &data);
    if (status == Success && data != nullptr && actualType == type && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

void writeProperty(Display* display, Window window, const char* name, Atom type,
                   const std::vector<unsigned long>& items) {
    XChangeProperty(display, window, atomNamed(display, name), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items.data()), static_cast<int>(items.size()));
}

bool windowManagerSupports(Display* display, const char* atom) {
    const Window root = DefaultRootWindow(display);
    const std::vector<unsigned long> check = readProperty(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty()) return false;
    // A manager that died may leave its name behind: its own window must say it too.
    const std::vector<unsigned long> itself =
        readPropertyOfAnyWindow(display, static_cast<Window>(check[0]), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (itself.empty() || itself[0] != check[0]) return false;
    const std::vector<unsigned long> supported = readProperty(display, root, "_NET_SUPPORTED", XA_ATOM);
    return std::ranges::find(supported, atomNamed(display, atom)) != supported.end();
}

void askWindowState(Display* display, Window window, bool add, const char* state) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atomNamed(display, "_NET_WM_STATE");
    event.xclient.format = 32;
    event.xclient.data.l[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
    event.xclient.data.l[1] = static_cast<long>(atomNamed(display, state));
    event.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}
