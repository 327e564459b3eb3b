#include "win32/Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "WindowStack.h"
#include "XConnection.h"
#include "win32/Kernel.h"

namespace {

using win32::x11::Connection;

HWND ToHwnd(Window window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }
Window ToWindow(HWND window) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(window)); }

// Parent and root of a window; false when the window is gone.
bool ParentOf(Display* display, Window window, Window* parent, Window* root) {
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, root, parent, &children, &count) == 0) return false;
  if (children != nullptr) XFree(children);
  return true;
}

bool HasWmState(Display* display, Window window, Atom wmState) {
  if (wmState == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType, &type, &format, &items, &after, &data);
  if (data != nullptr) XFree(data);
  return status == Success && type != None;
}

Window TopLevelOf(Display* display, Window window) {
  const Atom wmState = Connection::forThisThread().existingAtom("WM_STATE");
  Window current = window;
  for (int depth = 0; depth < 64; ++depth) {
    if (HasWmState(display, current, wmState)) return current;
    Window parent = None;
    Window root = None;
    if (!ParentOf(display, current, &parent, &root)) return None;
    if (current == root) return None;
    if (parent == root) return current;
    current = parent;
  }
  return None;
}

Window ActiveWindowProperty(Display* display) {
  const Atom active = Connection::forThisThread().existingAtom("_NET_ACTIVE_WINDOW");
  if (active == None) return None;
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  Window result = None;
  if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW, &type, &format, &items,
                         &after, &data) == Success &&
      type == XA_WINDOW && format == 32 && items == 1 && data != nullptr) {
    result = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data != nullptr) XFree(data);
  return result;
}

}  // namespace

extern "C" {

HWND GetDesktopWindow() {
  Display* display = Connection::forThisThread().display();
  return display != nullptr ? ToHwnd(DefaultRootWindow(display)) : nullptr;
}

HWND GetForegroundWindow() {
  Display* display = Connection::forThisThread().display();
  if (display == nullptr) return nullptr;
  if (const Window active = ActiveWindowProperty(display); active != None) return ToHwnd(active);
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == DefaultRootWindow(display)) return nullptr;
  return ToHwnd(TopLevelOf(display, focus));
}

HWND GetAncestor(HWND window, UINT flags) {
  Display* display = Connection::forThisThread().display();
  if (display == nullptr || window == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const Window x = ToWindow(window);
  if (flags == GA_PARENT) {
    Window parent = None;
    Window root = None;
    return ParentOf(display, x, &parent, &root) ? ToHwnd(parent) : nullptr;
  }
  if (flags == GA_ROOT || flags == GA_ROOTOWNER) return ToHwnd(TopLevelOf(display, x));
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

}  // extern "C"

namespace win32 {

bool DesktopHoldsPicture() {
  Display* display = Connection::forThisThread().display();
  return display == nullptr || x11::RootHoldsPicture(display);
}

}  // namespace win32
