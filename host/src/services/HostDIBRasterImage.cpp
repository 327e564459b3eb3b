#include "host/HostDIBRasterImage.h"

#include "sdk/OdGsDevice.h"

ODRX_DEFINE_MEMBERS(HostDIBRasterImage, OdGiRasterImage)

HostDIBRasterImage::HostDIBRasterImage(HDC dc, int width, int height, int bitCount, const RGBQUAD*) {
  if (width < 1 || height < 1 || width > 32768 || height > 32768 || (bitCount != 24 && bitCount != 32)) return;
  m_dc = CreateCompatibleDC(dc);
  if (m_dc == nullptr) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, the order of OdGiRasterImage
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || !attachBitmap(bitmap, true)) {
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
}

HostDIBRasterImage::~HostDIBRasterImage() {
  dropBitmap();
  if (m_dc != nullptr) DeleteDC(m_dc);
}

void HostDIBRasterImage::dropBitmap() {
  if (m_bitmap == nullptr) return;
  if (m_selected && m_dc != nullptr) SelectObject(m_dc, m_previous);
  DeleteObject(m_bitmap);
  m_bitmap = nullptr;
  m_bits = nullptr;
  m_selected = false;
}

HBITMAP HostDIBRasterImage::detachBitmap() {
  if (m_bitmap == nullptr) return nullptr;
  if (m_selected && m_dc != nullptr) SelectObject(m_dc, m_previous);
  m_selected = false;
  m_bits = nullptr;
  HBITMAP bitmap = m_bitmap;
  m_bitmap = nullptr;
  return bitmap;
}

bool HostDIBRasterImage::attachBitmap(HBITMAP bitmap, bool select) {
  if (bitmap == nullptr) return false;
  if (bitmap == m_bitmap) return true;
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) != static_cast<int>(sizeof section) ||
      section.dsBm.bmBits == nullptr || (section.dsBm.bmBitsPixel != 24 && section.dsBm.bmBitsPixel != 32))
    return false;
  if (select) {
    if (m_dc == nullptr) return false;
    HGDIOBJ previous = SelectObject(m_dc, bitmap);
    if (previous == nullptr) return false;  // selected into another DC
    // When our old bitmap was selected, previous is that bitmap and the
    // DC's own stock bitmap stays in m_previous.
    if (!m_selected) m_previous = previous;
    m_selected = true;
  } else if (m_selected && m_dc != nullptr) {
    SelectObject(m_dc, m_previous);
    m_selected = false;
  }
  if (m_bitmap != nullptr) DeleteObject(m_bitmap);
  m_bitmap = bitmap;
  m_bits = static_cast<OdUInt8*>(section.dsBm.bmBits);
  m_width = static_cast<OdUInt32>(section.dsBm.bmWidth);
  m_height = static_cast<OdUInt32>(section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight);
  m_bitCount = section.dsBm.bmBitsPixel;
  m_topDown = section.dsBmih.biHeight < 0;
  return true;
}

namespace {

// A top-down 32-bit DIB: its rows have no padding, so the view is drawn
// straight into its bits.
OdGiRasterImagePtr MakeSnapShot(OdUInt32 width, OdUInt32 height, OdUInt32** pixels) {
  auto* image = new HostDIBRasterImage(nullptr, static_cast<int>(width), static_cast<int>(height), 32, nullptr);
  OdGiRasterImagePtr held(image, kOdRxObjAttach);
  if (image->bits() == nullptr) return {};
  *pixels = reinterpret_cast<OdUInt32*>(image->bits());
  return held;
}

// A snapshot image drawn into again: its bitmap (its own, or one lent to it)
// when that is 32-bit and of the size asked, in the row order its memory
// holds now.
bool ReuseSnapShot(OdGiRasterImage* raster, OdUInt32 width, OdUInt32 height, OdUInt32** top, std::ptrdiff_t* step) {
  HostDIBRasterImage* image = HostDIBRasterImage::cast(raster);
  if (image == nullptr || image->bits() == nullptr || image->colorDepth() != 32 || image->pixelWidth() != width ||
      image->pixelHeight() != height)
    return false;
  bool topDown = image->isTopDown();
  win32::DibRowsTopDown(image->bits(), &topDown);
  auto* pixels = reinterpret_cast<OdUInt32*>(image->bits());
  *top = topDown ? pixels : pixels + static_cast<std::ptrdiff_t>(height - 1) * width;
  *step = topDown ? static_cast<std::ptrdiff_t>(width) : -static_cast<std::ptrdiff_t>(width);
  return true;
}

struct SnapShotInstaller {
  SnapShotInstaller() { HostDIBRasterImage::installAsSnapShotImage(); }
} g_snapShotInstaller;

}  // namespace

void HostDIBRasterImage::installAsSnapShotImage() {
  OdGsDevice::setSnapShotImageFactory(&MakeSnapShot, &ReuseSnapShot);
}
