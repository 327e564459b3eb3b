// Window queries of the Windows user interface, on X11. A window handle is an
// X window id. Every call uses the calling thread's own X connection, so these
// functions may be called from any thread, never wait for the GUI thread, and
// never touch Qt objects. A window that does not exist (any more) makes them
// fail the way Windows fails: FALSE with ERROR_INVALID_WINDOW_HANDLE.
#pragma once

#include "win32/WinTypes.h"

#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif

extern "C" {

// TRUE while the window exists on the X server.
WIN32_EXPORT BOOL IsWindow(HWND window);
// The window's outer rectangle in root (screen) coordinates. For a top-level
// window that a window manager has framed, the frame is included; otherwise
// (no window manager, or a child window) it is the window itself, X border
// included.
WIN32_EXPORT BOOL GetWindowRect(HWND window, LPRECT rect);
// The client area: left and top 0, right and bottom the window's size.
WIN32_EXPORT BOOL GetClientRect(HWND window, LPRECT rect);

}  // extern "C"
