#include "screenshots/GrabDocumentWindow.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopWidget>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <type_traits>

#include "base/HostAccess.h"
#include "win32/Desktop.h"
#include "win32/Gdi.h"
#include "win32/Window.h"

namespace {

// Qt's rounding of a scaled coordinate to device pixels (qRound).
int DevicePixels(double value) { return static_cast<int>(std::lround(value)); }

// The device-independent span [first, first + count) whose device pixels at
// `ratio` cover [low, high), and where low lies in them.
void Cover(int low, int high, double ratio, int* first, int* count, int* offset) {
  *first = static_cast<int>(std::floor(low / ratio));
  *count = static_cast<int>(std::ceil(high / ratio)) - *first;
  while (DevicePixels(*first * ratio) + DevicePixels(*count * ratio) < high) ++*count;
  *offset = low - DevicePixels(*first * ratio);
}

// The rectangle read through a desktop DC, for a screen Qt cannot grab: on a
// rootless Xwayland its grab of the root window is black, while the layer
// reads the desktop from the X windows on it. The rectangle is in device
// pixels already, so no scale factor applies. Null when the read fails.
QPixmap GrabThroughDesktopDc(const RECT& rect) {
  const int width = std::abs(rect.right - rect.left);
  const int height = std::abs(rect.bottom - rect.top);
  if (width == 0 || height == 0) return QPixmap(width, height);
  const HWND desktop = GetDesktopWindow();
  const HDC screen = GetDC(desktop);
  if (screen == nullptr) return QPixmap();
  const std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&DeleteDC)> memory(CreateCompatibleDC(screen), &DeleteDC);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first, as QImage has it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const std::unique_ptr<std::remove_pointer_t<HBITMAP>, decltype(&DeleteObject)> bitmap(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), &DeleteObject);
  QImage image;
  if (memory != nullptr && bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    if (previous != nullptr) {
      if (BitBlt(memory.get(), 0, 0, width, height, screen, std::min(rect.left, rect.right),
                 std::min(rect.top, rect.bottom), SRCCOPY)) {
        image = QImage(static_cast<const uchar*>(bits), width, height, width * 4, QImage::Format_RGB32).copy();
      }
      SelectObject(memory.get(), previous);
    }
  }
  ReleaseDC(desktop, screen);
  return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

}  // namespace

GrabArea CoverWindowRect(const RECT& rect, double ratio) {
  GrabArea area;
  if (!(ratio > 0)) ratio = 1.0;
  const int left = std::min(rect.left, rect.right), right = std::max(rect.left, rect.right);
  const int top = std::min(rect.top, rect.bottom), bottom = std::max(rect.top, rect.bottom);
  area.cropWidth = right - left;
  area.cropHeight = bottom - top;
  if (area.cropWidth == 0 || area.cropHeight == 0) return area;
  Cover(left, right, ratio, &area.x, &area.width, &area.cropX);
  Cover(top, bottom, ratio, &area.y, &area.height, &area.cropY);
  return area;
}

QPixmap GrabDocumentWindow() {
  HostDocument* document = HostCurrentDocument();
  if (document == nullptr) return QPixmap();
  const HWND window = document->viewWindow();
  RECT rect{};
  if (window == nullptr || !GetWindowRect(window, &rect)) return QPixmap();
  if (!win32::DesktopHoldsPicture()) return GrabThroughDesktopDc(rect);

  QScreen* pointerScreen = QGuiApplication::screenAt(QCursor::pos());
  if (pointerScreen == nullptr) return QPixmap();
  // The screen that grabs scales by its own factor, whichever screen is the
  // widest and wherever the window is.
  const GrabArea area = CoverWindowRect(rect, pointerScreen->devicePixelRatio());

  QPixmap result(area.cropWidth, area.cropHeight);
  // An empty window gives the empty picture; Qt is not asked to grab
  // nothing, as it reads some sizes as "to the window's edge".
  if (area.cropWidth <= 0 || area.cropHeight <= 0) return result;
  // The desktop widget needs a widget application; the root window (id 0)
  // is the same desktop for a host without one.
  const auto* widgets = qobject_cast<QApplication*>(QCoreApplication::instance());
  const WId desktop = widgets != nullptr ? QApplication::desktop()->winId() : 0;
  const QPixmap grabbed = pointerScreen->grabWindow(desktop, area.x, area.y, area.width, area.height);
  if (grabbed.isNull()) return grabbed;
  result = grabbed.copy(area.cropX, area.cropY, area.cropWidth, area.cropHeight);
  result.setDevicePixelRatio(grabbed.devicePixelRatio());
  return result;
}
