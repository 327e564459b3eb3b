// Memory device contexts, DIB sections and blits between them.
#include "win32/Gdi.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <unordered_map>
#include <vector>

#include "win32/Kernel.h"

namespace {

struct Bitmap {
  LONG width = 0;
  LONG height = 0;       // always positive
  bool bottomUp = true;  // as the header says
  WORD bitsPerPixel = 0;
  LONG stride = 0;
  BYTE* bits = nullptr;
  HDC selectedInto = nullptr;
  bool stock = false;
  // Bits in memory from the screen source (see ScreenSource::allocateShared),
  // given back to it; otherwise from the heap.
  win32::ScreenSource* sharedBy = nullptr;
  // How the rows lie in memory now: the header's order, but for a screen
  // read straight into the bits not yet flushed (GdiFlush), top-down. Read
  // by the compressor's thread once the bitmap is handed to it.
  std::atomic<bool> memoryTopDown{false};
  // The thread whose screen read left the rows top-down.
  std::thread::id drawnOn;

  ~Bitmap();
  // Address of the row at DC coordinate y (0 = top).
  BYTE* row(LONG y) const {
    return bits +
           static_cast<std::ptrdiff_t>(memoryTopDown.load(std::memory_order_relaxed) ? y : height - 1 - y) * stride;
  }
  // Distance in memory from a row to the one below it.
  std::ptrdiff_t step() const { return memoryTopDown.load(std::memory_order_relaxed) ? stride : -stride; }
};

struct DeviceContext {
  win32::DcKind kind = win32::DcKind::Memory;
  HWND window = nullptr;
  Bitmap* selected = nullptr;
  int stretchMode = BLACKONWHITE;
};

enum class ObjectType { Dc, Bitmap };

LONG RowBytes(LONG width, WORD bitsPerPixel) {
  return static_cast<LONG>(((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

// Every live DC and bitmap, so that a bad handle is refused instead of
// dereferenced, and every DIB section by its bits.
class HandleTable {
 public:
  void add(void* object, ObjectType type) {
    std::lock_guard lock(m_mutex);
    m_objects[object] = type;
    if (type == ObjectType::Bitmap) m_bits[static_cast<Bitmap*>(object)->bits] = static_cast<Bitmap*>(object);
  }
  void remove(void* object) {
    std::lock_guard lock(m_mutex);
    auto it = m_objects.find(object);
    if (it == m_objects.end()) return;
    if (it->second == ObjectType::Bitmap) m_bits.erase(static_cast<Bitmap*>(object)->bits);
    m_objects.erase(it);
  }
  // Calls f(bitmap) with the bitmap whose bits start at `bits`
  // (null for none) under the table's lock.
  template <class F>
  void withBits(const void* bits, F f) {
    std::lock_guard lock(m_mutex);
    auto it = m_bits.find(bits);
    f(it != m_bits.end() ? it->second : nullptr);
  }
  // The bitmap's rows now lie top-down, drawn by this thread.
  void markDrawn(Bitmap& bitmap) {
    std::lock_guard lock(m_mutex);
    bitmap.memoryTopDown = true;
    bitmap.drawnOn = std::this_thread::get_id();
  }
  template <class F>
  void forEachBitmap(F f) {
    std::lock_guard lock(m_mutex);
    for (auto& [bits, bitmap] : m_bits) f(*bitmap);
  }
  bool is(const void* object, ObjectType type) {
    std::lock_guard lock(m_mutex);
    auto it = m_objects.find(const_cast<void*>(object));
    return it != m_objects.end() && it->second == type;
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<void*, ObjectType> m_objects;
  std::unordered_map<const void*, Bitmap*> m_bits;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

// Windows memory DCs start with a 1x1 monochrome bitmap selected; selecting
// it back is how callers free their own bitmap from the DC.
Bitmap* StockBitmap() {
  static Bitmap* bitmap = [] {
    auto* b = new Bitmap;
    b->width = 1;
    b->height = 1;
    b->bitsPerPixel = 1;
    b->stride = 4;
    b->bits = static_cast<BYTE*>(std::calloc(1, 4));
    b->stock = true;
    Handles().add(b, ObjectType::Bitmap);
    return b;
  }();
  return bitmap;
}

DeviceContext* ToDc(HDC hdc) {
  if (!hdc || !Handles().is(hdc, ObjectType::Dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<DeviceContext*>(hdc);
}

Bitmap* ToBitmap(const void* handle) {
  if (!handle || !Handles().is(handle, ObjectType::Bitmap)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<Bitmap*>(const_cast<void*>(handle));
}

std::mutex g_screenMutex;
win32::ScreenSource* g_screenSource = nullptr;

Bitmap::~Bitmap() {
  if (sharedBy == nullptr) {
    std::free(bits);
    return;
  }
  std::lock_guard lock(g_screenMutex);
  // A source already removed (the library unloading) takes its memory with it.
  if (g_screenSource == sharedBy) sharedBy->freeShared(bits);
}

// 32-bit DIB sections from this size up, made for the screen, take their
// bits from the screen source, so that a screen read lands in them
// directly: frames, not icons.
constexpr std::uint64_t kSharedBitsFrom = 256 * 1024;

// A readable rectangle of 24- or 32-bit pixels in some DC's coordinates.
struct PixelView {
  const BYTE* top = nullptr;  // pixel (left, topY)
  std::ptrdiff_t step = 0;    // bytes from one row to the one below it
  int bytesPerPixel = 4;
  LONG left = 0, topY = 0, width = 0, height = 0;
  const BYTE* at(LONG x, LONG y) const { return top + (y - topY) * step + (x - left) * bytesPerPixel; }
};

inline void CopyPixel(BYTE* dst, int dstBpp, const BYTE* src, int srcBpp) {
  dst[0] = src[0];
  dst[1] = src[1];
  dst[2] = src[2];
  if (dstBpp == 4) dst[3] = srcBpp == 4 ? src[3] : 0;
}

// Maps a span of `destCount` destination pixels onto `srcCount` source
// pixels by nearest sample (the centre of each destination pixel), reversed
// when mirrored.
inline LONG SourceIndex(LONG i, LONG destCount, LONG srcCount, bool mirrored) {
  LONG u =
      static_cast<LONG>((2 * static_cast<std::int64_t>(i) + 1) * srcCount / (2 * static_cast<std::int64_t>(destCount)));
  return mirrored ? srcCount - 1 - u : u;
}

// A rectangle given by an origin and a negative extent w covers the pixels
// x + w + 1 .. x, as GDI orders such a rectangle: StretchBlt(dc, width - 1,
// 0, -width, ...) mirrors onto the whole of a bitmap width pixels wide.
inline void Normalise(int& origin, int& extent) {
  if (extent < 0) {
    origin += extent + 1;
    extent = -extent;
  }
}

BOOL Blit(DeviceContext* dst, int xd, int yd, int wd, int hd, DeviceContext* src, int xs, int ys, int ws, int hs) {
  Bitmap* target = dst->selected;
  if (dst->kind != win32::DcKind::Memory || !target || target->stock ||
      (target->bitsPerPixel != 24 && target->bitsPerPixel != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (wd == 0 || hd == 0 || ws == 0 || hs == 0) return TRUE;
  const bool mirrorX = (wd < 0) != (ws < 0);
  const bool mirrorY = (hd < 0) != (hs < 0);
  Normalise(xd, wd);
  Normalise(yd, hd);
  Normalise(xs, ws);
  Normalise(ys, hs);

  // The source rectangle clipped to what exists; samples outside it leave
  // the destination pixel as it was.
  PixelView view;
  std::vector<BYTE> snapshot;
  if (src->kind == win32::DcKind::Memory) {
    const Bitmap* source = src->selected;
    if (!source || source->stock || (source->bitsPerPixel != 24 && source->bitsPerPixel != 32)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    view.bytesPerPixel = source->bitsPerPixel / 8;
    view.left = 0;
    view.topY = 0;
    view.width = source->width;
    view.height = source->height;
    view.top = source->row(0);
    view.step = source->step();
    if (source == target) {
      // Overlapping blit within one bitmap: read from a copy.
      snapshot.assign(source->bits, source->bits + static_cast<std::size_t>(source->stride) * source->height);
      view.top = snapshot.data() + (source->row(0) - source->bits);
    }
  } else {
    std::lock_guard lock(g_screenMutex);
    HWND window = src->kind == win32::DcKind::Window ? src->window : nullptr;
    LONG sw = 0, sh = 0;
    if (!g_screenSource || !g_screenSource->size(window, &sw, &sh)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    RECT area{std::max(xs, 0), std::max(ys, 0), std::min<LONG>(xs + ws, sw), std::min<LONG>(ys + hs, sh)};
    if (area.right <= area.left || area.bottom <= area.top) return TRUE;
    // A 1:1 read of the whole bitmap from inside the screen: the source
    // writes the rows straight into the bits, top-down (see GdiFlush).
    const bool whole = xd == 0 && yd == 0 && wd == target->width && hd == target->height && wd == ws && hd == hs &&
                       !mirrorX && !mirrorY && area.left == xs && area.top == ys && area.right == xs + ws &&
                       area.bottom == ys + hs;
    if (whole && target->sharedBy == g_screenSource && target->bitsPerPixel == 32 &&
        g_screenSource->readInto(window, area, target->bits)) {
      Handles().markDrawn(*target);
      return TRUE;
    }
    view.left = area.left;
    view.topY = area.top;
    view.width = area.right - area.left;
    view.height = area.bottom - area.top;
    view.bytesPerPixel = 4;
    LONG lentStride = 0;
    if (const BYTE* lent = g_screenSource->lend(window, area, &lentStride)) {
      view.top = lent;
      view.step = lentStride;
    } else {
      // Kept per thread: a recording reads the same size every frame.
      thread_local std::vector<BYTE> screenPixels;
      view.step = view.width * 4;
      screenPixels.resize(static_cast<std::size_t>(view.step) * view.height);
      if (!g_screenSource->read(window, area, screenPixels.data(), static_cast<LONG>(view.step))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
      }
      view.top = screenPixels.data();
    }
  }

  // Destination columns that land inside the target and sample inside the
  // source, with their source x.
  const int dstBpp = target->bitsPerPixel / 8;
  std::vector<std::pair<LONG, LONG>> columns;
  columns.reserve(static_cast<std::size_t>(std::min<LONG>(wd, target->width)));
  for (LONG i = std::max<LONG>(0, -xd); i < wd && xd + i < target->width; ++i) {
    LONG sx = xs + SourceIndex(i, wd, ws, mirrorX);
    if (sx < view.left || sx >= view.left + view.width) continue;
    columns.emplace_back(xd + i, sx);
  }
  if (columns.empty()) return TRUE;
  // A straight, unscaled copy between equal depths is one memcpy a row.
  const bool straight = wd == ws && !mirrorX && dstBpp == view.bytesPerPixel &&
                        columns.back().first - columns.front().first + 1 == static_cast<LONG>(columns.size());
  for (LONG j = std::max<LONG>(0, -yd); j < hd && yd + j < target->height; ++j) {
    LONG sy = ys + SourceIndex(j, hd, hs, mirrorY);
    if (sy < view.topY || sy >= view.topY + view.height) continue;
    BYTE* out = target->row(yd + j);
    if (straight) {
      std::memcpy(out + columns.front().first * dstBpp, view.at(columns.front().second, sy), columns.size() * dstBpp);
      continue;
    }
    if (dstBpp == 4 && view.bytesPerPixel == 4) {
      // Scaled 32-bit rows: one word a pixel.
      const BYTE* in = view.at(view.left, sy);
      for (const auto& [dx, sx] : columns) std::memcpy(out + dx * 4, in + (sx - view.left) * 4, 4);
      continue;
    }
    for (const auto& [dx, sx] : columns) CopyPixel(out + dx * dstBpp, dstBpp, view.at(sx, sy), view.bytesPerPixel);
  }
  return TRUE;
}

}  // namespace

extern "C" {

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !ToDc(hdc)) return nullptr;
  auto* dc = new DeviceContext;
  dc->selected = StockBitmap();
  Handles().add(dc, ObjectType::Dc);
  return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC hdc) {
  DeviceContext* dc = ToDc(hdc);
  if (!dc) return FALSE;
  Handles().remove(dc);
  if (dc->selected && !dc->selected->stock) dc->selected->selectedInto = nullptr;
  delete dc;
  return TRUE;
}

HDC GetDC(HWND window) {
  auto* dc = new DeviceContext;
  dc->kind = window ? win32::DcKind::Window : win32::DcKind::Screen;
  dc->window = window;
  Handles().add(dc, ObjectType::Dc);
  return reinterpret_cast<HDC>(dc);
}

int ReleaseDC(HWND, HDC hdc) {
  DeviceContext* dc = ToDc(hdc);
  if (!dc || dc->kind == win32::DcKind::Memory) return 0;
  Handles().remove(dc);
  delete dc;
  return 1;
}

int GetDeviceCaps(HDC hdc, int index) {
  DeviceContext* dc = ToDc(hdc);
  if (!dc) return 0;
  switch (index) {
    case BITSPIXEL:
      return dc->kind == win32::DcKind::Memory && dc->selected && !dc->selected->stock ? dc->selected->bitsPerPixel
                                                                                       : 32;
    case PLANES:
      return 1;
    case HORZRES:
    case VERTRES: {
      LONG w = 0, h = 0;
      if (dc->kind == win32::DcKind::Memory) {
        if (dc->selected) {
          w = dc->selected->width;
          h = dc->selected->height;
        }
      } else {
        std::lock_guard lock(g_screenMutex);
        if (g_screenSource) g_screenSource->size(nullptr, &w, &h);
      }
      return index == HORZRES ? w : h;
    }
    default:
      return 0;
  }
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  if (hdc && !ToDc(hdc)) return nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN ||
      h.biPlanes != 1 || (h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = h.biWidth;
  bitmap->height = h.biHeight > 0 ? h.biHeight : -h.biHeight;
  bitmap->bottomUp = h.biHeight > 0;
  bitmap->bitsPerPixel = h.biBitCount;
  bitmap->stride = RowBytes(h.biWidth, h.biBitCount);
  const std::uint64_t bytes = static_cast<std::uint64_t>(bitmap->stride) * bitmap->height;
  if (bytes > (std::uint64_t{1} << 32)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bitmap->memoryTopDown = !bitmap->bottomUp;
  // Made for the screen (no DC, or a screen or window DC), as frames are;
  // those made for a memory DC (snapshots drawn in memory) stay on the heap.
  DeviceContext* dc = hdc ? ToDc(hdc) : nullptr;
  if (h.biBitCount == 32 && bytes >= kSharedBitsFrom && (dc == nullptr || dc->kind != win32::DcKind::Memory)) {
    std::lock_guard lock(g_screenMutex);
    if (g_screenSource != nullptr) {
      bitmap->bits = g_screenSource->allocateShared(static_cast<std::size_t>(bytes));
      if (bitmap->bits != nullptr) bitmap->sharedBy = g_screenSource;
    }
  }
  if (!bitmap->bits) bitmap->bits = static_cast<BYTE*>(std::calloc(1, static_cast<std::size_t>(bytes)));
  if (!bitmap->bits) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bits) *bits = bitmap->bits;
  Bitmap* raw = bitmap.release();
  Handles().add(raw, ObjectType::Bitmap);
  return reinterpret_cast<HBITMAP>(raw);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  DeviceContext* dc = ToDc(hdc);
  Bitmap* bitmap = ToBitmap(object);
  if (!dc || !bitmap) return nullptr;
  if (dc->kind != win32::DcKind::Memory) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != hdc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Bitmap* previous = dc->selected;
  if (previous && !previous->stock) previous->selectedInto = nullptr;
  dc->selected = bitmap;
  if (!bitmap->stock) bitmap->selectedInto = hdc;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  Bitmap* bitmap = ToBitmap(object);
  if (!bitmap) return FALSE;
  if (bitmap->stock) return TRUE;
  if (bitmap->selectedInto) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Handles().remove(bitmap);
  delete bitmap;
  return TRUE;
}

int GetObjectW(HANDLE object, int size, LPVOID buffer) {
  Bitmap* bitmap = ToBitmap(object);
  if (!bitmap) return 0;
  const bool dib = !bitmap->stock;
  if (!buffer) return dib ? static_cast<int>(sizeof(DIBSECTION)) : static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  BITMAP bm{};
  bm.bmType = 0;
  bm.bmWidth = bitmap->width;
  bm.bmHeight = bitmap->height;
  bm.bmWidthBytes = bitmap->stride;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = bitmap->bitsPerPixel;
  bm.bmBits = dib ? bitmap->bits : nullptr;
  if (dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION ds{};
    ds.dsBm = bm;
    ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    ds.dsBmih.biWidth = bitmap->width;
    ds.dsBmih.biHeight = bitmap->bottomUp ? bitmap->height : -bitmap->height;
    ds.dsBmih.biPlanes = 1;
    ds.dsBmih.biBitCount = bitmap->bitsPerPixel;
    ds.dsBmih.biCompression = BI_RGB;
    ds.dsBmih.biSizeImage = static_cast<DWORD>(bitmap->stride) * bitmap->height;
    std::memcpy(buffer, &ds, sizeof ds);
    return sizeof(DIBSECTION);
  }
  std::memcpy(buffer, &bm, sizeof bm);
  return sizeof(BITMAP);
}

int GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage) {
  if (!ToDc(hdc)) return 0;
  Bitmap* bitmap = ToBitmap(handle);
  if (!bitmap) return 0;
  if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits && h.biBitCount == 0) {
    // Completes the header; rows are reported bottom-up, the order a DIB
    // has unless asked otherwise. A 32-bit bitmap is reported with bit
    // fields, as Windows reports it; the masks are not written.
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biPlanes = 1;
    h.biBitCount = bitmap->bitsPerPixel;
    h.biCompression = bitmap->bitsPerPixel == 32 ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage = static_cast<DWORD>(bitmap->stride) * bitmap->height;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return bitmap->height;
  }
  if ((h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0 ||
      h.biHeight == INT32_MIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const LONG destHeight = h.biHeight > 0 ? h.biHeight : -h.biHeight;
  const LONG destStride = RowBytes(h.biWidth, h.biBitCount);
  const std::uint64_t destBytes = static_cast<std::uint64_t>(destStride) * destHeight;
  if (destBytes > UINT32_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  h.biSizeImage = static_cast<DWORD>(destBytes);
  if (!bits) return destHeight;
  if (bitmap->stock) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }

  // The buffer holds the rows the header describes; rows and columns beyond
  // the bitmap or beyond the header are not touched, the padding at the end
  // of each row written is zeroed.
  const bool destBottomUp = h.biHeight > 0;
  const LONG rows = std::min(destHeight, bitmap->height);
  const LONG columns = std::min(h.biWidth, bitmap->width);
  const int srcBpp = bitmap->bitsPerPixel / 8;
  const int dstBpp = h.biBitCount / 8;
  auto* out = static_cast<BYTE*>(bits);
  int copied = 0;
  for (UINT k = 0; k < lines; ++k) {
    const std::uint64_t scan = static_cast<std::uint64_t>(start) + k;
    if (scan >= static_cast<std::uint64_t>(rows)) break;
    // Scan lines count from the bottom for a bottom-up buffer and from the
    // top for a top-down one.
    const LONG y = destBottomUp ? bitmap->height - 1 - static_cast<LONG>(scan) : static_cast<LONG>(scan);
    const BYTE* in = bitmap->row(y);
    BYTE* row = out + static_cast<std::size_t>(k) * destStride;
    if (srcBpp == dstBpp) {
      std::memcpy(row, in, static_cast<std::size_t>(columns) * dstBpp);
    } else {
      for (LONG x = 0; x < columns; ++x) CopyPixel(row + x * dstBpp, dstBpp, in + x * srcBpp, srcBpp);
    }
    const LONG used = h.biWidth * dstBpp;
    std::memset(row + used, 0, static_cast<std::size_t>(destStride - used));
    ++copied;
  }
  return copied;
}

int SetStretchBltMode(HDC hdc, int mode) {
  DeviceContext* dc = ToDc(hdc);
  if (!dc) return 0;
  if (mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

int GetStretchBltMode(HDC hdc) {
  DeviceContext* dc = ToDc(hdc);
  return dc ? dc->stretchMode : 0;
}

BOOL StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                DWORD rop) {
  DeviceContext* d = ToDc(dest);
  DeviceContext* s = ToDc(src);
  if (!d || !s) return FALSE;
  // GDI keeps coordinates within 27 bits; inside that range no sum below
  // overflows.
  constexpr int kLimit = 1 << 27;
  for (int v : {xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc}) {
    if (v <= -kLimit || v >= kLimit) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  if (rop != SRCCOPY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Blit(d, xDest, yDest, wDest, hDest, s, xSrc, ySrc, wSrc, hSrc);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop);
}

BOOL GdiFlush() {
  const std::thread::id self = std::this_thread::get_id();
  Handles().forEachBitmap([&](Bitmap& bitmap) {
    if (bitmap.drawnOn != self || bitmap.memoryTopDown == !bitmap.bottomUp) return;
    // Turns the rows round in place, one pair at a time.
    std::vector<BYTE> spare(static_cast<std::size_t>(bitmap.stride));
    for (LONG y = 0; y < bitmap.height / 2; ++y) {
      BYTE* a = bitmap.bits + static_cast<std::ptrdiff_t>(y) * bitmap.stride;
      BYTE* b = bitmap.bits + static_cast<std::ptrdiff_t>(bitmap.height - 1 - y) * bitmap.stride;
      std::memcpy(spare.data(), a, spare.size());
      std::memcpy(a, b, spare.size());
      std::memcpy(b, spare.data(), spare.size());
    }
    bitmap.memoryTopDown = !bitmap.bottomUp;
  });
  return TRUE;
}

}  // extern "C"

namespace win32 {

ScreenSource* SetScreenSource(ScreenSource* source) {
  std::lock_guard lock(g_screenMutex);
  return std::exchange(g_screenSource, source);
}

bool DibRowsTopDown(const void* bits, bool* topDown) {
  bool found = false;
  Handles().withBits(bits, [&](Bitmap* bitmap) {
    if (bitmap == nullptr || bitmap->stock) return;
    found = true;
    if (topDown) *topDown = bitmap->memoryTopDown.load();
  });
  return found;
}

bool GetDcKind(HDC hdc, DcKind* kind) {
  DeviceContext* dc = ToDc(hdc);
  if (!dc) return false;
  if (kind) *kind = dc->kind;
  return true;
}

}  // namespace win32
