// Whether the X server shows a pointer now: exit status 0 when the current
// cursor has a pixel that is not transparent, 1 when it is invisible, 2 when
// the display or XFixes does not answer. For the tests of a pointer hidden
// over a fullscreen show.
// Usage: viz_cursor_shown   (on $DISPLAY)
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "viz_cursor_shown: no display\n");
        return 2;
    }
    int event = 0, error = 0;
    XFixesCursorImage* cursor = XFixesQueryExtension(display, &event, &error) ? XFixesGetCursorImage(display) : nullptr;
    if (cursor == nullptr) {
        std::fprintf(stderr, "viz_cursor_shown: XFixes gives no cursor image\n");
        XCloseDisplay(display);
        return 2;
    }
    bool seen = false;
    // ARGB in longs, alpha in the top byte of the low 32 bits.
    for (unsigned long i = 0; i < static_cast<unsigned long>(cursor->width) * cursor->height; ++i) {
        seen = seen || ((cursor->pixels[i] >> 24) & 0xFF) != 0;
    }
    XFree(cursor);
    XCloseDisplay(display);
    return seen ? 0 : 1;
}
