#include "screenshots/GrabDocumentWindow.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopWidget>
#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

#include "module/HostAccess.h"
#include "win32/Window.h"

double GrabScaleRatio(const std::vector<GrabScreen>& screens, int pointerScreenWidth) {
  double ratio = 1.0;
  int widest = 0;
  for (const GrabScreen& screen : screens) {
    if (screen.width > widest) {
      widest = screen.width;
      ratio = screen.pixelRatio;
    }
  }
  // Window rectangles come in device pixels, the grab takes device-independent
  // ones; on a narrower screen the widest screen's ratio is applied twice.
  if (pointerScreenWidth < widest) ratio = ratio * ratio;
  return ratio;
}

GrabArea ScaleWindowRect(const RECT& rect, double ratio) {
  const double factor = 1.0 / ratio;
  GrabArea area;
  area.x = static_cast<int>(rect.left * factor);
  area.y = static_cast<int>(rect.top * factor);
  area.width = static_cast<int>(std::abs(rect.left - rect.right) * factor);
  area.height = static_cast<int>(std::abs(rect.top - rect.bottom) * factor);
  return area;
}

QPixmap GrabDocumentWindow() {
  HostDocument* document = HostCurrentDocument();
  if (document == nullptr) return QPixmap();
  const HWND window = document->viewWindow();
  RECT rect{};
  if (window == nullptr || !GetWindowRect(window, &rect)) return QPixmap();

  std::vector<GrabScreen> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    screens.push_back(GrabScreen{screen->geometry().width(), screen->devicePixelRatio()});
  }
  QScreen* pointerScreen = QGuiApplication::screenAt(QCursor::pos());
  if (pointerScreen == nullptr) return QPixmap();
  const GrabArea area = ScaleWindowRect(rect, GrabScaleRatio(screens, pointerScreen->size().width()));

  QPixmap result(area.width, area.height);
  // An empty window gives the empty picture; Qt is not asked to grab
  // nothing, as it reads some sizes as "to the window's edge".
  if (area.width <= 0 || area.height <= 0) return result;
  // The desktop widget needs a widget application; the root window (id 0)
  // is the same desktop for a host without one.
  const auto* widgets = qobject_cast<QApplication*>(QCoreApplication::instance());
  const WId desktop = widgets != nullptr ? QApplication::desktop()->winId() : 0;
  result = pointerScreen->grabWindow(desktop, area.x, area.y, area.width, area.height);
  return result;
}
