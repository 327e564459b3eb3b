#include "WindowStack.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace win32::x11 {

namespace {

struct Rect {
  int left, top, right, bottom;
  bool empty() const { return right <= left || bottom <= top; }
};

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// What is left of `from` outside `hole` (which lies inside it), as up to four
// bands: above, below, and the two sides between them.
void Subtract(const Rect& from, const Rect& hole, std::vector<Rect>* out) {
  const Rect pieces[] = {{from.left, from.top, from.right, hole.top},
                         {from.left, hole.bottom, from.right, from.bottom},
                         {from.left, hole.top, hole.left, hole.bottom},
                         {hole.right, hole.top, from.right, hole.bottom}};
  for (const Rect& piece : pieces)
    if (!piece.empty()) out->push_back(piece);
}

}  // namespace

bool RootHoldsPicture(Display* display) {
  // Per thread, as the connections are; remembered for the connection it
  // was asked on.
  thread_local Display* askedOn = nullptr;
  thread_local bool holds = true;
  if (askedOn != display) {
    // One pixel of the root, which every other server gives; the connection's
    // error handler takes the refusal (a BadMatch).
    XImage* probe = XGetImage(display, DefaultRootWindow(display), 0, 0, 1, 1, AllPlanes, ZPixmap);
    holds = probe != nullptr;
    if (probe != nullptr) XDestroyImage(probe);
    askedOn = display;
    static std::once_flag said;
    if (!holds)
      std::call_once(said, [] {
        std::fprintf(stderr,
                     "win32: the X server gives no picture of its screen (a rootless Xwayland). "
                     "Continuing with the X windows' own contents.\n");
      });
  }
  return holds;
}

bool ReadFromWindowStack(Display* display, const RECT& area, BYTE* pixels, LONG stride,
                         const WindowAreaReader& readWindow) {
  const Rect wanted{area.left, area.top, area.right, area.bottom};
  for (int y = 0; y < wanted.bottom - wanted.top; ++y)
    std::memset(pixels + static_cast<std::ptrdiff_t>(y) * stride, 0,
                static_cast<std::size_t>(wanted.right - wanted.left) * 4);

  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return false;
  // The children come bottom first; the topmost window is read first, and
  // each window only where no window above it was.
  std::vector<Rect> uncovered{wanted};
  std::vector<Rect> next;
  for (unsigned i = count; i-- > 0 && !uncovered.empty();) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, children[i], &attributes) == 0) continue;  // gone meanwhile
    if (attributes.c_class != InputOutput || attributes.map_state != IsViewable) continue;
    const int x = attributes.x + attributes.border_width;
    const int y = attributes.y + attributes.border_width;
    const Rect inside{x, y, x + attributes.width, y + attributes.height};
    next.clear();
    for (const Rect& part : uncovered) {
      const Rect common = Intersect(part, inside);
      if (common.empty()) {
        next.push_back(part);
        continue;
      }
      BYTE* out = pixels + static_cast<std::ptrdiff_t>(common.top - wanted.top) * stride +
                  static_cast<std::ptrdiff_t>(common.left - wanted.left) * 4;
      if (!readWindow(children[i], common.left - x, common.top - y, static_cast<unsigned>(common.right - common.left),
                      static_cast<unsigned>(common.bottom - common.top), out, stride)) {
        // Unmapped or resized since it was asked: the windows below show.
        next.push_back(part);
        continue;
      }
      Subtract(part, common, &next);
    }
    uncovered.swap(next);
  }
  if (children != nullptr) XFree(children);
  return true;
}

}  // namespace win32::x11
