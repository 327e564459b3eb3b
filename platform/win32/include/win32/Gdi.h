// The GDI subset for memory device contexts and device-independent bitmaps,
// plus the global-memory block functions that go with them.
//
// Handles are checked on every call: a null, stale or wrong-kind handle makes
// the call fail the way Windows fails it (FALSE, 0 or null, with
// ERROR_INVALID_HANDLE as the last error) instead of touching memory.
// All functions are thread-safe; one DC or bitmap must not be used by two
// threads at once, as on Windows.
#pragma once

#include <cstddef>

#include "win32/GlobalMemory.h"  // packed DIBs travel in global blocks
#include "win32/WinTypes.h"

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // > 0: rows stored bottom-up; < 0: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes on Windows");
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
using LPBITMAPINFO = BITMAPINFO*;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

#define SRCCOPY 0x00CC0020UL

// Stretch modes. COLORONCOLOR and HALFTONE take the nearest source pixel
// here; BLACKONWHITE and WHITEONBLACK do too, as they only differ from it on
// monochrome bitmaps, which this layer does not create.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

#define OBJ_BITMAP 7
#define OBJ_DC 3
#define OBJ_MEMDC 10

extern "C" {

// A memory DC; hdc may be null, a screen DC from GetDC or another memory DC.
// It starts with the stock 1x1 bitmap selected, like a Windows memory DC.
WIN32_EXPORT HDC CreateCompatibleDC(HDC hdc);
WIN32_EXPORT BOOL DeleteDC(HDC hdc);
// GetDC(NULL) is the whole screen, GetDC(window) that window's client area.
// Their pixels come from the screen source installed with
// win32::SetScreenSource; without one they can be created and released, and
// StretchBlt from them fails.
WIN32_EXPORT HDC GetDC(HWND window);
WIN32_EXPORT int ReleaseDC(HWND window, HDC hdc);
WIN32_EXPORT int GetDeviceCaps(HDC hdc, int index);
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14

// 24- and 32-bit BI_RGB sections with DIB_RGB_COLORS; section must be null.
// Rows are DWORD-aligned; a positive height stores them bottom-up. A 32-bit
// section of 256 KiB or more made for the screen (hdc null, or a screen or
// window DC) has its bits in memory the screen source offers (a MIT-SHM
// segment), so that a screen read lands in them directly (see GdiFlush).
WIN32_EXPORT HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                      DWORD offset);
// Returns the previously selected object, or null when the handle is bad or
// the bitmap is already selected into another DC.
WIN32_EXPORT HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// FALSE for a bitmap still selected into a DC. Stock objects are kept.
WIN32_EXPORT BOOL DeleteObject(HGDIOBJ object);
// For a bitmap: size sizeof(BITMAP) or sizeof(DIBSECTION); a null buffer
// asks for the size.
WIN32_EXPORT int GetObjectW(HANDLE object, int size, LPVOID buffer);
// With bits null and biBitCount 0, completes the header from the bitmap
// (size, depth, image size) and returns nonzero. With bits null and a depth
// set, fills in biSizeImage for that depth. Otherwise copies `lines` rows
// starting at scan line `start` (counted from the bottom, as Windows counts
// them) into bits, in the depth (24 or 32) and row order the header asks for,
// sets biSizeImage, and returns the number of rows copied.
WIN32_EXPORT int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage);

WIN32_EXPORT int SetStretchBltMode(HDC hdc, int mode);
WIN32_EXPORT int GetStretchBltMode(HDC hdc);
// SRCCOPY only. A negative width or height on one side mirrors the picture
// along that axis; clipping is to both bitmaps.
WIN32_EXPORT BOOL StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc,
                             int wSrc, int hSrc, DWORD rop);
WIN32_EXPORT BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
// As on Windows, GDI drawing into a DIB section is complete in its bits only
// once the drawing thread calls GdiFlush: a whole-bitmap screen read into a
// large 32-bit DIB section is the X server writing the rows straight into
// its bits in the screen's top-down order, which GdiFlush turns into the
// header's order. GDI calls that read the bitmap (blits, GetDIBits) see it
// whole without the flush, and so does the compressor (see
// win32::DibRowsTopDown). Flushes the bitmaps drawn on the calling thread.
WIN32_EXPORT BOOL GdiFlush();

}  // extern "C"

namespace win32 {

// What a DC draws on or reads from.
enum class DcKind {
  Memory,  // a selected bitmap
  Screen,  // GetDC(NULL): the whole desktop
  Window,  // GetDC(window): a window's client area
};

// Supplies the pixels of screen and window DCs. Implemented by the screen
// reader that owns the display connection; StretchBlt calls it on the calling
// thread, so an implementation must be usable from any thread that blits.
class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // Size of the desktop (window null) or of the window's client area.
  virtual bool size(HWND window, LONG* width, LONG* height) = 0;
  // Reads the area (in the window's client coordinates, or the desktop's for
  // a null window; inside the size above) as 32-bit BGRX pixels, top row
  // first, `stride` bytes apart.
  virtual bool read(HWND window, const RECT& area, BYTE* pixels, LONG stride) = 0;
  // Reads the area as read() does but lends the pixels where they already
  // are (a shared-memory image), so a blit copies them once; valid on the
  // calling thread until its next read. Null where the source cannot lend
  // them in that layout; the caller then reads into a buffer of its own.
  virtual const BYTE* lend(HWND window, const RECT& area, LONG* stride) {
    (void)window, (void)area, (void)stride;
    return nullptr;
  }
  // Memory for a DIB section's bits that readInto() can read the screen
  // straight into (zeroed); null when the source has none to offer, and the
  // bits come from the heap. Given back with freeShared(), from any thread.
  virtual BYTE* allocateShared(std::size_t bytes) {
    (void)bytes;
    return nullptr;
  }
  virtual void freeShared(BYTE* memory) { (void)memory; }
  // Reads the area as read() does, straight into `memory` (from
  // allocateShared()), rows top-down from its start, width * 4 bytes apart.
  // False, with nothing written, when it cannot here; read() still may.
  virtual bool readInto(HWND window, const RECT& area, BYTE* memory) {
    (void)window, (void)area, (void)memory;
    return false;
  }
};

// Installs the source (null removes it). The caller keeps it alive until it
// is removed. Thread-safe.
// Returns the source installed before. The layer installs its X server
// reader when it loads.
WIN32_EXPORT ScreenSource* SetScreenSource(ScreenSource* source);
// For the bits of a live DIB section (the address CreateDIBSection gave):
// whether its rows lie top-down in memory right now, which after a screen
// read not yet flushed (see GdiFlush) may differ from its header. False for
// any other address. Used by the compressor, which reads the rows in either
// order at no cost, so that a grabbed frame is never turned round.
WIN32_EXPORT bool DibRowsTopDown(const void* bits, bool* topDown);
// Kind of a live DC; false for a bad handle.
WIN32_EXPORT bool GetDcKind(HDC hdc, DcKind* kind);

}  // namespace win32
