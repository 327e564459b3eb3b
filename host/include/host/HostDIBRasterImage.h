// A raster image over a device-independent bitmap (DIB section) selected
// into a memory device context of its own, so that GDI can draw into it and
// read from it. Graphics-device snapshots in the host are such images.
#pragma once

#include <atomic>
#include <vector>

#include "host/HostApi.h"
#include "sdk/OdGiRasterImage.h"
#include "win32/Gdi.h"

class HOST_EXPORT HostDIBRasterImage : public OdGiRasterImage {
  ODRX_DECLARE_MEMBERS(HostDIBRasterImage);

 public:
  // A width x height image of bitCount (24 or 32) bits per pixel, rows
  // top-down, in a new memory DC compatible with dc (null: the screen).
  // palette is not used by these depths and may be null. When the size or
  // depth cannot be made, getDC() and bitmap() are null.
  //
  // The image starts with one reference, owned by whoever constructed it:
  // an image on the stack or a member is never deleted by a release, and one
  // made with new is deleted by its last release().
  HostDIBRasterImage(HDC dc, int width, int height, int bitCount, const RGBQUAD* palette);
  ~HostDIBRasterImage() override;

  // cast(image), declared with the class members: the image as a
  // HostDIBRasterImage, or null for another kind of image.

  HDC getDC() const { return m_dc; }
  HBITMAP bitmap() const { return m_bitmap; }
  // Takes the bitmap out of the image: it is no longer selected into the
  // image's DC (so another DC or GetDIBits may use it) and the caller holds
  // it. Null when the image holds none.
  HBITMAP detachBitmap();
  // Gives the image a bitmap again (a DIB section of 24 or 32 bits). With
  // select true it is selected into the image's DC, so drawing into the DC
  // draws into it. A bitmap the image held before is deleted. False, and
  // the image unchanged, when bitmap is not a usable DIB section.
  bool attachBitmap(HBITMAP bitmap, bool select);

  OdUInt32 pixelWidth() const override { return m_width; }
  OdUInt32 pixelHeight() const override { return m_height; }
  OdUInt32 colorDepth() const override { return m_bitCount; }
  OdUInt32 scanLineSize() const override { return ((m_width * m_bitCount + 31) / 32) * 4; }
  bool isTopDown() const override { return m_topDown; }
  // Null while the bitmap is detached.
  const OdUInt8* scanLines() const override { return m_bits; }
  OdUInt8* bits() { return m_bits; }

  void addRef() override { m_refs.fetch_add(1, std::memory_order_relaxed); }
  void release() override {
    if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  long numRefs() const override { return m_refs.load(); }

  // Makes graphics-device snapshots HostDIBRasterImages, and has a snapshot
  // drawn again into such an image passed back to getSnapShot, into the
  // bitmap it holds then (its own, or one lent with attachBitmap). The host
  // does this when its library loads.
  static void installAsSnapShotImage();

 private:
  void dropBitmap();

  std::atomic<long> m_refs{1};
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_previous = nullptr;  // what the DC held before our bitmap
  bool m_selected = false;
  OdUInt8* m_bits = nullptr;
  OdUInt32 m_width = 0, m_height = 0, m_bitCount = 32;
  bool m_topDown = true;
};
