// The screen as the stack of windows on it, for X servers that keep no
// picture of their screen. A rootless Xwayland (the X server of a Wayland
// desktop: GNOME, KDE, sway, weston) hands each top-level window to the
// compositor as a buffer of its own and never draws the root window: a read
// of the root is refused, or comes back black. What such a server can still
// give is every window's own contents; laid over one another in stacking
// order they are the X part of the screen. Windows of native Wayland programs
// are not X windows, so they are not in this picture; the compositor alone
// knows where they are.
#pragma once

#include <X11/Xlib.h>

#include <functional>

#include "win32/WinTypes.h"

namespace win32::x11 {

// False when the server refuses to read its root window (asked once per
// connection, on the calling thread).
bool RootHoldsPicture(Display* display);

// Reads an area of the screen (root coordinates, at least one pixel) into
// 32-bit BGRX rows, `stride` bytes apart, from the viewable top-level windows
// that cover it, the topmost where they overlap; what no X window covers is
// black. `readWindow` reads one rectangle of one window (window coordinates)
// into the rows given to it and returns false when it cannot. False when the
// window list cannot be had.
using WindowAreaReader =
    std::function<bool(Window, int x, int y, unsigned width, unsigned height, BYTE* pixels, LONG stride)>;
bool ReadFromWindowStack(Display* display, const RECT& area, BYTE* pixels, LONG stride,
                         const WindowAreaReader& readWindow);

}  // namespace win32::x11
