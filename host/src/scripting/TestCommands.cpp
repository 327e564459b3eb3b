// Host commands that exist for tests and scripts, not for a person's work:
// they put known pictures and window states on the screen, so that what
// reads the screen (recordings, screenshots) can be checked. Kept apart from
// the host's real commands, and in no menu.
//   TESTPATTERN  the view shows a fixed picture: a one-pixel white frame on
//                its edge and four quadrants, red top left, green top right,
//                blue bottom left, yellow bottom right, meeting at
//                (width / 2, height / 2);
//   VIEWCOLOR    fills the view with one colour (asks for "r,g,b");
//   FOCUSOTHER   shows and activates a second top-level window;
//   FOCUSMAIN    activates the main window again;
//   CLOSEVIEW    closes the view window, as when a drawing's window goes away;
//   PROGRESSCANCEL  makes the next progress bar cancel itself, as a person
//                   pressing Cancel would (asks after how many checks).
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QStringList>
#include <cstdlib>

#include "host/CommandRegistry.h"
#include "host/HostSession.h"
#include "host/HostWindow.h"
#include "host/ProgressBar.h"
#include "win32/QtText.h"
#include "win32/Text.h"

namespace host {

namespace {

HostWindow* FindHostWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = dynamic_cast<HostWindow*>(widget)) return window;
  }
  return nullptr;
}

// Lets the window system act on an activation before the next command runs.
void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QApplication::sync();
}

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

void Add(const char16_t* name, std::function<void()> body) {
  CommandRegistry::instance().addHostCommand(name, std::move(body));
}

QPointer<QWidget> g_otherWindow;

struct TestCommands {
  TestCommands() {
    Add(u"TESTPATTERN", [] {
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
    Add(u"VIEWCOLOR", [] {
      Console& console = Application::instance().console();
      HostWindow* window = FindHostWindow();
      if (window == nullptr || window->view() == nullptr) {
        console.write(u"No view to draw on.");
        return;
      }
      std::u16string answer;
      if (console.readLine(u"Colour (r,g,b)", u"0,0,0", answer) != kHostPromptOk) return;
      const QStringList parts = win32::ToQString(answer).split(QLatin1Char(','));
      bool ok = parts.size() == 3;
      int rgb[3] = {};
      for (int i = 0; ok && i < 3; ++i) {
        rgb[i] = parts[i].trimmed().toInt(&ok);
        ok = ok && rgb[i] >= 0 && rgb[i] <= 255;
      }
      if (!ok) {
        console.write(u"A colour is three numbers from 0 to 255, such as 255,0,0.");
        return;
      }
      const QColor colour(rgb[0], rgb[1], rgb[2]);
      window->view()->setPainter(
          [colour](QPainter& painter, const QSize& size) { painter.fillRect(QRect(QPoint(0, 0), size), colour); });
      window->view()->repaint();
      Settle();
    });
    Add(u"FOCUSOTHER", [] {
      if (g_otherWindow == nullptr) {
        auto* other = new QLabel(QStringLiteral("Another window"));
        other->setWindowTitle(QStringLiteral("pchost: another window"));
        other->setAttribute(Qt::WA_DeleteOnClose);
        other->resize(240, 120);
        other->move(40, 40);
        g_otherWindow = other;
      }
      g_otherWindow->show();
      g_otherWindow->raise();
      g_otherWindow->activateWindow();
      Settle();
    });
    Add(u"FOCUSMAIN", [] {
      if (HostWindow* window = FindHostWindow()) {
        window->raise();
        window->activateWindow();
      }
      Settle();
    });
    Add(u"CLOSEVIEW", [] {
      HostWindow* window = FindHostWindow();
      if (window == nullptr || window->view() == nullptr) {
        Application::instance().console().write(u"The view window is closed already.");
        return;
      }
      window->closeView();
      Settle();
      Application::instance().console().write(u"View window closed.");
    });
    Add(u"PROGRESSCANCEL", [] {
      Console& console = Application::instance().console();
      std::u16string answer;
      if (console.readLine(u"Cancel the next progress bar at check", u"1", answer) != kHostPromptOk) return;
      const long checks = std::atol(win32::ToUtf8(answer).c_str());
      if (checks < 0) {
        console.write(u"The number of checks is 0 (no cancel) or more.");
        return;
      }
      ProgressBar::CancelAfterChecks(static_cast<unsigned>(checks));
    });
  }
};

const TestCommands g_testCommands;

}  // namespace

}  // namespace host
