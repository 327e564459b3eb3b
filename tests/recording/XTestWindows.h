// A test fixture that makes plain Xlib windows of one colour on the X server
// the tests run under, placed exactly where asked.
#pragma once

#include <gtest/gtest.h>
// Xlib's macros (None, Bool, Status) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

#include "Poll.h"
#include "win32/Threads.h"
#include "win32/Window.h"

class XTestWindows : public ::testing::Test {
 protected:
  static HWND H(Window w) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w)); }

  void SetUp() override {
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) GTEST_SKIP() << "no X server";
  }
  void TearDown() override {
    if (m_display != nullptr) XCloseDisplay(m_display);
  }

  // A mapped window filled with one colour (0xRRGGBB): top-level unless a
  // parent is given. Returns once the screen shows it.
  Window MakeWindow(int x, int y, unsigned w, unsigned h, unsigned long rgb, Window parent = None) {
    const Window window = XCreateSimpleWindow(m_display, parent == None ? DefaultRootWindow(m_display) : parent, x, y,
                                              w, h, 0, 0, rgb);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // placed exactly where asked, also under a window manager
    if (parent == None) XChangeWindowAttributes(m_display, window, CWOverrideRedirect, &attributes);
    XMapRaised(m_display, window);
    XSync(m_display, False);
    pcvr_test::WaitUntil([&] {
      XWindowAttributes state{};
      XGetWindowAttributes(m_display, window, &state);
      return state.map_state == IsViewable;
    });
    Repaint(window, rgb);
    return window;
  }

  // Fills the window with one colour; returns once the screen shows it.
  void Repaint(Window window, unsigned long rgb) {
    XSetWindowBackground(m_display, window, rgb);
    XClearWindow(m_display, window);
    XSync(m_display, False);
    pcvr_test::WaitUntil([&] {
      XImage* image = XGetImage(m_display, window, 0, 0, 1, 1, AllPlanes, ZPixmap);
      const unsigned long pixel = image != nullptr ? XGetPixel(image, 0, 0) & 0xFFFFFF : ~0ul;
      if (image != nullptr) XDestroyImage(image);
      return pixel == rgb;
    });
  }

  void Focus(Window window) {
    XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
    XSync(m_display, False);
  }

  Display* m_display = nullptr;
};
