// A raster image returned by a device snapshot.
#pragma once

#include <vector>

#include "sdk/OdRxObject.h"

// Pixels are 32 bits, in memory order blue, green, red, alpha (the layout of
// a 32-bit Windows DIB and of QImage::Format_RGB32 on little-endian
// machines). scanLines() gives the rows top-down, scanLineSize() bytes apart
// (no padding: 4 x width).
class ODSDK_EXPORT OdGiRasterImage : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdGiRasterImage);

 public:
  virtual OdUInt32 pixelWidth() const = 0;
  virtual OdUInt32 pixelHeight() const = 0;
  virtual OdUInt32 colorDepth() const { return 32; }
  virtual OdUInt32 scanLineSize() const { return pixelWidth() * 4; }
  virtual bool isTopDown() const { return true; }
  virtual const OdUInt8* scanLines() const = 0;
  // The pixel at (x, y), y counted from the top, as 0xAARRGGBB.
  OdUInt32 pixelAt(OdUInt32 x, OdUInt32 y) const;

 protected:
  OdGiRasterImage() = default;
};
using OdGiRasterImagePtr = OdSmartPtr<OdGiRasterImage>;

// The SDK's own raster image over a pixel buffer it owns.
class ODSDK_EXPORT OdGiRasterImageBGRA : public OdGiRasterImage {
  ODRX_DECLARE_MEMBERS(OdGiRasterImageBGRA);

 public:
  // Takes the pixels (0xAARRGGBB each, rows top-down); width * height of them.
  static OdSmartPtr<OdGiRasterImageBGRA> createObject(OdUInt32 width, OdUInt32 height, std::vector<OdUInt32> pixels);
  OdUInt32 pixelWidth() const override { return m_width; }
  OdUInt32 pixelHeight() const override { return m_height; }
  const OdUInt8* scanLines() const override { return reinterpret_cast<const OdUInt8*>(m_pixels.data()); }
  const std::vector<OdUInt32>& pixels() const { return m_pixels; }

 protected:
  OdGiRasterImageBGRA() = default;

 private:
  OdUInt32 m_width = 0, m_height = 0;
  std::vector<OdUInt32> m_pixels;
};
