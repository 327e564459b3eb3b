#include "XWindows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "Poll.h"

namespace pcvr_test {

namespace {
Display* D(void* display) { return static_cast<Display*>(display); }
}  // namespace

XWindows::XWindows() : m_display(XOpenDisplay(nullptr)) {}

XWindows::~XWindows() {
  if (m_display != nullptr) XCloseDisplay(D(m_display));
}

XWindows::Id XWindows::root() const { return DefaultRootWindow(D(m_display)); }

int XWindows::screenWidth() const { return DisplayWidth(D(m_display), DefaultScreen(D(m_display))); }

bool XWindows::sharesMemory() const {
  int opcode = 0, event = 0, error = 0;
  return XQueryExtension(D(m_display), "MIT-SHM", &opcode, &event, &error);
}

XWindows::Id XWindows::create(Id parent, int x, int y, unsigned width, unsigned height, unsigned border,
                              unsigned long rgb) {
  Display* display = D(m_display);
  const Window window =
      XCreateSimpleWindow(display, parent != 0 ? parent : root(), x, y, width, height, border, 0, rgb);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  if (parent == 0) XChangeWindowAttributes(display, window, CWOverrideRedirect, &attributes);
  XMapRaised(display, window);
  XSync(display, False);
  WaitUntil([&] {
    XWindowAttributes state{};
    XGetWindowAttributes(display, window, &state);
    return state.map_state == IsViewable;
  });
  repaint(window, rgb);
  return window;
}

void XWindows::repaint(Id window, unsigned long rgb) {
  Display* display = D(m_display);
  XSetWindowBackground(display, window, rgb);
  XClearWindow(display, window);
  XSync(display, False);
  WaitUntil([&] {
    XImage* image = XGetImage(display, window, 0, 0, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = image != nullptr ? XGetPixel(image, 0, 0) & 0xFFFFFF : ~0ul;
    if (image != nullptr) XDestroyImage(image);
    return pixel == rgb;
  });
}

void XWindows::focus(Id window) {
  XSetInputFocus(D(m_display), window, RevertToParent, CurrentTime);
  XSync(D(m_display), False);
}

void XWindows::warpPointer(int x, int y) {
  XWarpPointer(D(m_display), None, root(), 0, 0, 0, 0, x, y);
  XSync(D(m_display), False);
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
