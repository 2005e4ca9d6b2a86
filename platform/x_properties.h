#pragma once
// The few X window properties the window manager reads and writes (EWMH):
// lists of atoms and windows, read and written whole.
#include <X11/Xlib.h>

#include <vector>

Atom atomNamed(Display* display, const char* name);

// The property's items (32-bit each, as Xlib hands them: in longs); none
// when it is absent or of another type.
std::vector<unsigned long> readProperty(Display* display, Window window, const char* name, Atom type);
void writeProperty(Display* display, Window window, const char* name, Atom type,
                   const std::vector<unsigned long>& items);

// Whether a window manager runs that names `atom` among what it supports.
bool windowManagerSupports(Display* display, const char* atom);

// Asks the window manager to add (or remove) `state` in the window's _NET_WM_STATE.
void askWindowState(Display* display, Window window, bool add, const char* state);
