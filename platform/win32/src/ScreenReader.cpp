// The pixels behind screen and window DCs: a real read of the X server's
// screen on the calling thread's own connection, through a shared-memory
// image where the server offers MIT-SHM, and plain image reads otherwise.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "SharedSegments.h"
#include "WindowStack.h"
#include "XConnection.h"
#include "win32/Gdi.h"

namespace {

using win32::x11::Connection;

Window ToWindow(HWND window) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(window)); }

// One shared-memory image per thread, kept while the areas read keep their
// size (a recording reads the same size every frame).
class SharedImage {
 public:
  SharedImage() = default;
  SharedImage(const SharedImage&) = delete;
  SharedImage& operator=(const SharedImage&) = delete;
  ~SharedImage() { reset(); }

  // Reads the area into the image; false when shared memory cannot be used
  // here, after which the caller falls back to XGetImage for good.
  XImage* read(Display* display, Drawable drawable, int x, int y, unsigned width, unsigned height) {
    if (m_unusable) return nullptr;
    if (m_image == nullptr || m_display != display || m_image->width != static_cast<int>(width) ||
        m_image->height != static_cast<int>(height)) {
      reset();
      if (!create(display, width, height)) {
        m_unusable = true;
        std::fprintf(stderr, "win32: MIT-SHM is not available. Continuing without shared memory.\n");
        return nullptr;
      }
    }
    if (!XShmGetImage(display, drawable, m_image, x, y, AllPlanes)) return nullptr;
    return m_image;
  }

 private:
  bool create(Display* display, unsigned width, unsigned height) {
    if (!XShmQueryExtension(display)) return false;
    const int screen = DefaultScreen(display);
    m_image =
        XShmCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                        ZPixmap, nullptr, &m_info, width, height);
    if (m_image == nullptr) return false;
    m_info.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(m_image->bytes_per_line) * height, IPC_CREAT | 0600);
    if (m_info.shmid < 0) {
      reset();
      return false;
    }
    m_info.shmaddr = m_image->data = static_cast<char*>(shmat(m_info.shmid, nullptr, 0));
    if (m_info.shmaddr == reinterpret_cast<char*>(-1)) {
      m_info.shmaddr = m_image->data = nullptr;
      reset();
      return false;
    }
    m_info.readOnly = False;
    if (!XShmAttach(display, &m_info)) {
      reset();
      return false;
    }
    XSync(display, False);
    // Marked for removal now: the segment goes when the last user detaches,
    // even if this process dies.
    shmctl(m_info.shmid, IPC_RMID, nullptr);
    m_display = display;
    m_attached = true;
    return true;
  }

  void reset() {
    if (m_attached && m_display != nullptr) {
      XShmDetach(m_display, &m_info);
      XSync(m_display, False);
    }
    if (m_info.shmaddr != nullptr) shmdt(m_info.shmaddr);
    if (m_info.shmid > 0 && !m_attached) shmctl(m_info.shmid, IPC_RMID, nullptr);
    if (m_image != nullptr) {
      m_image->data = nullptr;
      XDestroyImage(m_image);
    }
    m_image = nullptr;
    m_display = nullptr;
    m_attached = false;
    m_info = XShmSegmentInfo{};
    m_info.shmid = -1;
  }

  XImage* m_image = nullptr;
  Display* m_display = nullptr;
  XShmSegmentInfo m_info{0, -1, nullptr, False};
  bool m_attached = false;
  bool m_unusable = false;
};

// Shifts that bring a channel mask down to its low 8 bits.
int MaskShift(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

SharedImage& SharedImageOfThisThread() {
  thread_local SharedImage shared;
  return shared;
}

// True when the image's pixels are 32-bit BGRX rows already.
bool IsBgrx(const XImage* image) {
  return image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
         image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

// Copies an image into 32-bit BGRX rows.
void CopyPixels(const XImage* image, BYTE* pixels, LONG stride) {
  const bool direct = IsBgrx(image);
  for (int y = 0; y < image->height; ++y) {
    BYTE* out = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    if (direct) {
      std::memcpy(out, image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line,
                  static_cast<std::size_t>(image->width) * 4);
      continue;
    }
    const int rs = MaskShift(image->red_mask);
    const int gs = MaskShift(image->green_mask);
    const int bs = MaskShift(image->blue_mask);
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(const_cast<XImage*>(image), x, y);
      out[4 * x + 0] = static_cast<BYTE>((pixel & image->blue_mask) >> bs);
      out[4 * x + 1] = static_cast<BYTE>((pixel & image->green_mask) >> gs);
      out[4 * x + 2] = static_cast<BYTE>((pixel & image->red_mask) >> rs);
      out[4 * x + 3] = 0;
    }
  }
}

// The desktop of a server without a picture of its screen, from its windows.
// A window that covers the whole area (the usual case: the recorded window's
// own top-level) is read through the shared image where the server allows it
// there; other pieces change size from frame to frame and are read plainly.
bool ReadFromWindows(Display* display, const RECT& area, BYTE* pixels, LONG stride) {
  const auto width = static_cast<unsigned>(area.right - area.left);
  const auto height = static_cast<unsigned>(area.bottom - area.top);
  return win32::x11::ReadFromWindowStack(
      display, area, pixels, stride,
      [&](Window window, int x, int y, unsigned w, unsigned h, BYTE* out, LONG outStride) {
        XImage* image =
            w == width && h == height ? SharedImageOfThisThread().read(display, window, x, y, w, h) : nullptr;
        if (image != nullptr) {
          CopyPixels(image, out, outStride);
          return true;
        }
        image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
        if (image == nullptr) return false;
        CopyPixels(image, out, outStride);
        XDestroyImage(image);
        return true;
      });
}

class X11ScreenSource final : public win32::ScreenSource {
 public:
  bool size(HWND window, LONG* width, LONG* height) override {
    Display* display = Connection::forThisThread().display();
    if (display == nullptr) return false;
    XWindowAttributes attributes{};
    const Window drawable = window != nullptr ? ToWindow(window) : DefaultRootWindow(display);
    if (XGetWindowAttributes(display, drawable, &attributes) == 0) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
  }

  const BYTE* lend(HWND window, const RECT& area, LONG* stride) override {
    Display* display = Connection::forThisThread().display();
    if (display == nullptr || area.right <= area.left || area.bottom <= area.top) return nullptr;
    const Window drawable = window != nullptr ? ToWindow(window) : DefaultRootWindow(display);
    if (drawable == DefaultRootWindow(display) && !win32::x11::RootHoldsPicture(display)) return nullptr;
    XImage* image = SharedImageOfThisThread().read(display, drawable, area.left, area.top,
                                                   static_cast<unsigned>(area.right - area.left),
                                                   static_cast<unsigned>(area.bottom - area.top));
    if (image == nullptr || !IsBgrx(image)) return nullptr;
    *stride = image->bytes_per_line;
    return reinterpret_cast<const BYTE*>(image->data);
  }

  BYTE* allocateShared(std::size_t bytes) override { return win32::x11::AllocateSharedSegment(bytes); }
  void freeShared(BYTE* memory) override { win32::x11::FreeSharedSegment(memory); }

  bool readInto(HWND window, const RECT& area, BYTE* memory) override {
    Display* display = Connection::forThisThread().display();
    if (display == nullptr || area.right <= area.left || area.bottom <= area.top) return false;
    const Window drawable = window != nullptr ? ToWindow(window) : DefaultRootWindow(display);
    // A root without a picture is read from its windows, by read().
    if (drawable == DefaultRootWindow(display) && !win32::x11::RootHoldsPicture(display)) return false;
    return win32::x11::ReadIntoSharedSegment(display, drawable, area.left, area.top,
                                             static_cast<unsigned>(area.right - area.left),
                                             static_cast<unsigned>(area.bottom - area.top), memory);
  }

  bool read(HWND window, const RECT& area, BYTE* pixels, LONG stride) override {
    Display* display = Connection::forThisThread().display();
    if (display == nullptr || area.right <= area.left || area.bottom <= area.top) return false;
    const Window drawable = window != nullptr ? ToWindow(window) : DefaultRootWindow(display);
    if (drawable == DefaultRootWindow(display) && !win32::x11::RootHoldsPicture(display)) {
      return ReadFromWindows(display, area, pixels, stride);
    }
    const auto width = static_cast<unsigned>(area.right - area.left);
    const auto height = static_cast<unsigned>(area.bottom - area.top);
    if (XImage* image = SharedImageOfThisThread().read(display, drawable, area.left, area.top, width, height)) {
      CopyPixels(image, pixels, stride);
      return true;
    }
    XImage* image = XGetImage(display, drawable, area.left, area.top, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    CopyPixels(image, pixels, stride);
    XDestroyImage(image);
    return true;
  }
};

// Installed while the library is loaded.
struct Installation {
  Installation() { win32::SetScreenSource(&source); }
  ~Installation() { win32::SetScreenSource(nullptr); }
  X11ScreenSource source;
} g_installation;

}  // namespace
