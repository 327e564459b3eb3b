// Windows made on a connection of the test's own with plain Xlib, behind an
// interface free of Xlib's macros (which clash with Qt and GoogleTest).
#pragma once

#include <cstdint>

namespace screenshots_test {

class RawXWindows {
 public:
  using Id = std::uintptr_t;

  RawXWindows();
  ~RawXWindows();
  RawXWindows(const RawXWindows&) = delete;
  RawXWindows& operator=(const RawXWindows&) = delete;

  bool connected() const { return m_display != nullptr; }
  // A mapped window; parent 0 is the root. background is a 24-bit RGB value.
  Id create(Id parent, int x, int y, unsigned width, unsigned height, unsigned border = 0,
            unsigned long background = 0);
  // Moves the mouse pointer to a place on the root window.
  void warpPointer(int x, int y);
  void reparent(Id window, Id parent, int x, int y);
  // What an ICCCM window manager sets on each top-level window it manages.
  void markManaged(Id window);
  void destroy(Id window);

 private:
  void* m_display = nullptr;
};

}  // namespace screenshots_test
