// Window rectangles from the X server, on the calling thread's connection.
#include "win32/Window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "XConnection.h"
#include "win32/Kernel.h"

namespace {

::Window ToXWindow(HWND window) { return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(window)); }

Display* DisplayFor(HWND window) {
  if (window == nullptr) return nullptr;
  return win32::x11::Connection::forThisThread().display();
}

BOOL InvalidWindow() {
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return FALSE;
}

// A window manager marks each top-level window it manages with WM_STATE
// (ICCCM 4.1.3.1) and, when it draws a frame, reparents the window into it.
bool IsManagedTopLevel(Display* display, ::Window window) {
  const Atom wmState = win32::x11::Connection::forThisThread().existingAtom("WM_STATE");
  if (wmState == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                        &remaining, &data);
  if (data != nullptr) XFree(data);
  return status == Success && type != None;
}

// The ancestor just below the root: the window manager's frame around a
// managed window, or the window itself when nobody reparented it. Returns
// the window itself when the tree cannot be read.
::Window OutermostAncestor(Display* display, ::Window window) {
  ::Window current = window;
  // The depth of a real window tree is small; the bound only guards against
  // a server that answers nonsense.
  for (int depth = 0; depth < 64; ++depth) {
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, current, &root, &parent, &children, &count) == 0) return window;
    if (children != nullptr) XFree(children);
    if (parent == 0 || parent == root) return current;
    current = parent;
  }
  return window;
}

}  // namespace

extern "C" {

BOOL IsWindow(HWND window) {
  Display* display = DisplayFor(window);
  if (display == nullptr) return FALSE;
  XWindowAttributes attributes;
  return XGetWindowAttributes(display, ToXWindow(window), &attributes) != 0 ? TRUE : FALSE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  Display* display = DisplayFor(window);
  if (display == nullptr) return InvalidWindow();
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, ToXWindow(window), &attributes) == 0) return InvalidWindow();
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *rect = RECT{0, 0, attributes.width, attributes.height};
  return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  Display* display = DisplayFor(window);
  if (display == nullptr) return InvalidWindow();
  const ::Window xWindow = ToXWindow(window);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, xWindow, &attributes) == 0) return InvalidWindow();
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::Window outer = xWindow;
  if (IsManagedTopLevel(display, xWindow)) {
    outer = OutermostAncestor(display, xWindow);
    if (outer != xWindow && XGetWindowAttributes(display, outer, &attributes) == 0) return InvalidWindow();
  }
  // Coordinates of the inside of the outer window's border, on the root.
  int x = 0;
  int y = 0;
  ::Window child = 0;
  if (XTranslateCoordinates(display, outer, attributes.root, 0, 0, &x, &y, &child) == 0) return InvalidWindow();
  const int border = attributes.border_width;
  rect->left = x - border;
  rect->top = y - border;
  rect->right = x + attributes.width + border;
  rect->bottom = y + attributes.height + border;
  return TRUE;
}

}  // extern "C"
