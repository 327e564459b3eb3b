// The desktop, the foreground window and window ancestry, on X11. Like the
// other window functions these use the calling thread's own X connection.
#pragma once

#include "win32/WinTypes.h"

#define GA_PARENT 1
#define GA_ROOT 2
#define GA_ROOTOWNER 3

extern "C" {

// The root window of the default screen: the whole desktop.
WIN32_EXPORT HWND GetDesktopWindow();
// The top-level window that has the keyboard focus: the window manager's
// _NET_ACTIVE_WINDOW where one runs, else the X input focus raised to its
// top-level window. Null when nothing has the focus.
WIN32_EXPORT HWND GetForegroundWindow();
// GA_PARENT: the parent window (the desktop for a top-level window).
// GA_ROOT and GA_ROOTOWNER: the top-level window that holds the window,
// which is the window a window manager manages (the one with WM_STATE), or,
// with no window manager, the ancestor that is a child of the root.
WIN32_EXPORT HWND GetAncestor(HWND window, UINT flags);

}  // extern "C"

namespace win32 {

// False where the X server keeps no picture of its screen: a rootless
// Xwayland, the X server of a Wayland desktop, which hands every top-level
// window to the compositor instead. A desktop DC there is read from the X
// windows on it (topmost first, black where none is), so the pixels of X
// windows are right, while native Wayland windows are not in the picture.
WIN32_EXPORT bool DesktopHoldsPicture();

}  // namespace win32
