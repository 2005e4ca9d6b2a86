#pragma once
// The program's window fullscreen on the monitor it is on: through the
// window manager's fullscreen state, which it undoes as it did it; where no
// manager offers one, freeglut's resize to the screen instead.

// Asks for fullscreen, or for the window as it was.
void setFullscreen(bool on);

// What was asked last.
bool fullscreenAsked();

// Whether the window is fullscreen now, as the window manager shows it:
// the user may have used the manager's own key.
bool fullscreenShown();
