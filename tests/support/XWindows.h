// Plain X windows made on a connection of the test's own, behind an
// interface free of Xlib's macros (which clash with Qt and GoogleTest).
// Closing the connection destroys the windows left.
#pragma once

#include <cstdint>

namespace pcvr_test {

class XWindows {
 public:
  using Id = std::uintptr_t;

  XWindows();
  ~XWindows();
  XWindows(const XWindows&) = delete;
  XWindows& operator=(const XWindows&) = delete;

  bool connected() const { return m_display != nullptr; }
  Id root() const;
  int screenWidth() const;
  // Whether the server offers MIT-SHM (a remote display does not).
  bool sharesMemory() const;
  // A mapped window of one colour (0xRRGGBB); parent 0 is the root, and a
  // top-level window is placed exactly where asked, also under a window
  // manager. Every call returns once the screen shows what it did.
  Id create(Id parent, int x, int y, unsigned width, unsigned height, unsigned border = 0, unsigned long rgb = 0);
  void repaint(Id window, unsigned long rgb);
  void focus(Id window);
  // Moves the mouse pointer to a place on the root window.
  void warpPointer(int x, int y);
  void reparent(Id window, Id parent, int x, int y);
  // What an ICCCM window manager sets on each top-level window it manages.
  void markManaged(Id window);
  void destroy(Id window);

 private:
  void* m_display = nullptr;
};

}  // namespace pcvr_test
