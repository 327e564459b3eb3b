// The host command TESTPATTERN: the view shows a fixed picture instead of
// the empty background, so that anything that reads the view's pixels from
// the screen (screenshots, recordings) can be checked against known colours
// and positions.
//
// The picture: a one-pixel white frame on the view's edge; inside it four
// quadrants, red top left, green top right, blue bottom left, yellow bottom
// right. The quadrants meet at (width / 2, height / 2).
#include <QApplication>
#include <QPainter>

#include "host/CommandRegistry.h"
#include "host/HostSession.h"
#include "host/HostWindow.h"

namespace host {

namespace {

void DrawTestPattern(QPainter& painter, const QSize& size) {
  const int w = size.width();
  const int h = size.height();
  const int midX = w / 2;
  const int midY = h / 2;
  painter.fillRect(0, 0, midX, midY, QColor(255, 0, 0));
  painter.fillRect(midX, 0, w - midX, midY, QColor(0, 255, 0));
  painter.fillRect(0, midY, midX, h - midY, QColor(0, 0, 255));
  painter.fillRect(midX, midY, w - midX, h - midY, QColor(255, 255, 0));
  const QColor white(255, 255, 255);
  painter.fillRect(0, 0, w, 1, white);
  painter.fillRect(0, h - 1, w, 1, white);
  painter.fillRect(0, 0, 1, h, white);
  painter.fillRect(w - 1, 0, 1, h, white);
}

HostWindow* FindHostWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = dynamic_cast<HostWindow*>(widget)) return window;
  }
  return nullptr;
}

struct TestPatternCommand {
  TestPatternCommand() {
    CommandRegistry::instance().addHostCommand(u"TESTPATTERN", [] {
      Console& console = Application::instance().console();
      HostWindow* window = FindHostWindow();
      if (window == nullptr || window->view() == nullptr) {
        console.write(u"No view to draw on.");
        return;
      }
      window->view()->setPainter(&DrawTestPattern);
      // Painted now, so a command that reads the screen next sees it.
      window->view()->repaint();
      console.write(u"Test pattern shown.");
    });
  }
};

const TestPatternCommand g_testPatternCommand;

}  // namespace

}  // namespace host
