#include "SharedSegments.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "XConnection.h"

namespace win32::x11 {

namespace {

struct Segment {
  XShmSegmentInfo info{};
  Display* attachedTo = nullptr;
};

// Every live segment by its address, and the connections whose server
// refused one. The lock is held across the few X calls that change an
// attachment (attach, detach), so that a bitmap freed on one thread and the
// connection it is attached to closing on another do not cross; it is not
// held while the screen is read.
struct Registry {
  std::mutex mutex;
  std::unordered_map<BYTE*, Segment> segments;
  std::unordered_set<Display*> refused;
};

Registry& Segments() {
  static auto* registry = new Registry;  // outlives every bitmap freed at exit
  return *registry;
}

void Detach(Segment& segment) {
  if (segment.attachedTo == nullptr) return;
  // Ordered before the unmapping that follows; the server's own mapping
  // keeps the memory alive until it has done so.
  XShmDetach(segment.attachedTo, &segment.info);
  XFlush(segment.attachedTo);
  segment.attachedTo = nullptr;
}

bool IsBgrx(const XImage* image) {
  return image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
         image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

}  // namespace

BYTE* AllocateSharedSegment(std::size_t bytes) {
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return nullptr;
  void* memory = shmat(id, nullptr, 0);
  // Marked for removal at once: Linux lets the server attach it still, and
  // it goes with the last detach even if this process dies.
  shmctl(id, IPC_RMID, nullptr);
  if (memory == reinterpret_cast<void*>(-1)) return nullptr;
  Registry& registry = Segments();
  std::lock_guard lock(registry.mutex);
  Segment& segment = registry.segments[static_cast<BYTE*>(memory)];
  segment.info.shmid = id;
  segment.info.shmaddr = static_cast<char*>(memory);
  segment.info.readOnly = False;
  return static_cast<BYTE*>(memory);
}

void FreeSharedSegment(BYTE* memory) {
  Registry& registry = Segments();
  {
    std::lock_guard lock(registry.mutex);
    auto it = registry.segments.find(memory);
    if (it == registry.segments.end()) return;
    Detach(it->second);
    registry.segments.erase(it);
  }
  shmdt(memory);
}

bool ReadIntoSharedSegment(Display* display, Drawable drawable, int x, int y, unsigned width, unsigned height,
                           BYTE* memory) {
  Registry& registry = Segments();
  XShmSegmentInfo info{};
  {
    std::lock_guard lock(registry.mutex);
    auto it = registry.segments.find(memory);
    if (it == registry.segments.end() || registry.refused.count(display) != 0) return false;
    Segment& segment = it->second;
    if (segment.attachedTo != display) {
      Detach(segment);
      Connection::takeError();
      const bool attached = XShmQueryExtension(display) && XShmAttach(display, &segment.info);
      // The server answers an attach it refuses (a segment it cannot map,
      // as on a remote display) with an error, not a reply: sync to see it.
      XSync(display, False);
      if (!attached || Connection::takeError() != 0) {
        registry.refused.insert(display);
        std::fprintf(stderr, "win32: MIT-SHM is not available. Continuing without shared memory.\n");
        return false;
      }
      segment.attachedTo = display;
    }
    info = segment.info;
  }
  const int screen = DefaultScreen(display);
  XImage* image =
      XShmCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                      ZPixmap, reinterpret_cast<char*>(memory), &info, width, height);
  if (image == nullptr) return false;
  bool read = false;
  if (IsBgrx(image) && image->bytes_per_line == static_cast<int>(width) * 4)
    read = XShmGetImage(display, drawable, image, x, y, AllPlanes) != 0;
  image->data = nullptr;
  XDestroyImage(image);
  return read;
}

void ForgetSharedSegments(Display* display) {
  Registry& registry = Segments();
  std::lock_guard lock(registry.mutex);
  for (auto& [memory, segment] : registry.segments) {
    if (segment.attachedTo == display) Detach(segment);
  }
  registry.refused.erase(display);
}

}  // namespace win32::x11
