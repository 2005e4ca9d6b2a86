#pragma once
// The program's window as the desktop's background: a desktop window
// (_NET_WM_WINDOW_TYPE_DESKTOP) over the whole monitor, below every other
// window, on every workspace, and out of the taskbar and the pager.
#include "base/problem.h"
#include "platform/monitors.h"

// Makes the open window the background of `monitor`. A Problem when the
// window manager will not keep it below the others: the window is then a
// normal one again.
Problem makeDesktopBackground(const Monitor& monitor);
