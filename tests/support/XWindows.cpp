#include "XWindows.h"

#include <X11/Xlib.h>

namespace pcvr_test {

namespace {
Display* D(void* display) { return static_cast<Display*>(display); }
}  // namespace

XWindows::XWindows() : m_display(XOpenDisplay(nullptr)) {}

XWindows::~XWindows() {
  if (m_display != nullptr) XCloseDisplay(D(m_display));
}

XWindows::Id XWindows::create(Id parent, int x, int y, unsigned width, unsigned height, unsigned border,
                              unsigned long rgb) {
  Display* display = D(m_display);
  const Window window = XCreateSimpleWindow(display, parent != 0 ? parent : DefaultRootWindow(display), x, y, width,
                                            height, border, 0, rgb);
  XMapWindow(display, window);
  XSync(display, False);
  return window;
}

void XWindows::warpPointer(int x, int y) {
  Display* display = D(m_display);
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  XSync(display, False);
}

void XWindows::reparent(Id window, Id parent, int x, int y) {
  XReparentWindow(D(m_display), window, parent, x, y);
  XSync(D(m_display), False);
}

void XWindows::markManaged(Id window) {
  Display* display = D(m_display);
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  const long state[2] = {1, 0};  // NormalState, no icon window
  XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(state),
                  2);
  XSync(display, False);
}

void XWindows::destroy(Id window) {
  XDestroyWindow(D(m_display), window);
  XSync(D(m_display), False);
}

}  // namespace pcvr_test
