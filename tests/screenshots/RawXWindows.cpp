#include "RawXWindows.h"

#include <X11/Xlib.h>

namespace screenshots_test {

namespace {
Display* D(void* display) { return static_cast<Display*>(display); }
}  // namespace

RawXWindows::RawXWindows() : m_display(XOpenDisplay(nullptr)) {}

RawXWindows::~RawXWindows() {
  if (m_display != nullptr) XCloseDisplay(D(m_display));
}

RawXWindows::Id RawXWindows::create(Id parent, int x, int y, unsigned width, unsigned height, unsigned border,
                                    unsigned long background) {
  Display* display = D(m_display);
  const Window window = XCreateSimpleWindow(display, parent != 0 ? parent : DefaultRootWindow(display), x, y, width,
                                            height, border, 0, background);
  XMapWindow(display, window);
  XSync(display, False);
  return window;
}

void RawXWindows::warpPointer(int x, int y) {
  Display* display = D(m_display);
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  XSync(display, False);
}

void RawXWindows::reparent(Id window, Id parent, int x, int y) {
  XReparentWindow(D(m_display), window, parent, x, y);
  XSync(D(m_display), False);
}

void RawXWindows::markManaged(Id window) {
  Display* display = D(m_display);
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  const long state[2] = {1, 0};  // NormalState, no icon window
  XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(state),
                  2);
  XSync(display, False);
}

void RawXWindows::destroy(Id window) {
  XDestroyWindow(D(m_display), window);
  XSync(D(m_display), False);
}

}  // namespace screenshots_test
