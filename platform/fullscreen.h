#pragma once
// The program's window fullscreen on the monitor it is on: through the
// window manager's fullscreen state, which it undoes as it did it; where no
// manager offers one, freeglut's resize to the screen instead.

// Asks for fullscreen, or for the window as it was.
void setFullscreen(bool on);

// Whether the window is fullscreen: as viz asked, until the window manager
// has had time to act on it, and then as the manager shows it.
bool fullscreenNow();

// Once a frame: takes up the manager's state, read twice a second, so a
// fullscreen entered or left with the manager's own key holds the screen
// awake and hides the pointer as one of viz's own would.
void followWindowManagersFullscreen();

// Whether the window is fullscreen now, as the window manager shows it:
// the user may have used the manager's own key.
bool fullscreenShown();
