// Owners of the GDI objects the recorder holds: each releases its object
// the way it was obtained, once, on every way out.
#pragma once

#include <memory>
#include <type_traits>

#include "win32/Gdi.h"

struct MemoryDcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
// A DC from CreateCompatibleDC.
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
// A bitmap from CreateDIBSection; it must not be selected into a DC when the
// owner lets it go.
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  WindowDc() = default;
  explicit WindowDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
  ~WindowDc() { reset(); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      m_window = other.m_window;
      m_dc = other.m_dc;
      other.m_window = nullptr;
      other.m_dc = nullptr;
    }
    return *this;
  }
  void reset() {
    if (m_dc != nullptr) ReleaseDC(m_window, m_dc);
    m_dc = nullptr;
    m_window = nullptr;
  }
  HDC get() const { return m_dc; }
  HWND window() const { return m_window; }

 private:
  HWND m_window = nullptr;
  HDC m_dc = nullptr;
};
