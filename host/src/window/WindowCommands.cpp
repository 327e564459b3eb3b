// The host's commands for its window and documents:
//   OPEN       reads a drawing (asks for the file); the open one is closed
//              only once the new one has been read;
//   OPENCLOUD  attaches a point cloud (asks for the file) to the current
//              drawing, or to a new empty one;
//   CLOSE      closes the current drawing;
//   QUIT       ends a running script and closes the window;
//   VIEWINFO   prints the view window's id, size and place on the screen.
#include "host/WindowCommands.h"

#include <QCoreApplication>
#include <functional>
#include <utility>

#include "host/CommandRegistry.h"
#include "host/DrawingDocument.h"
#include "host/HostSession.h"
#include "host/HostWindow.h"
#include "host/XPC.h"
#include "win32/Text.h"
#include "win32/WidePrintf.h"

namespace host {

void RegisterWindowCommands(WindowCommandHost& host) {
  auto& registry = CommandRegistry::instance();
  const auto add = [&](const char16_t* name, std::function<void()> body, const char16_t* menu, const char16_t* label,
                       const char16_t* shortcut = u"") {
    registry.addHostCommand(name, std::move(body), menu, label, shortcut);
  };
  add(
      u"OPEN",
      [&host] {
        std::u16string path;
        if (host.console().readFileName(u"Drawing file", u"Drawings (*.dxf);;All files (*)", path) != kHostPromptOk ||
            path.empty())
          return;
        // The drawing is read before the open one is closed: a file that
        // cannot be opened changes nothing.
        OdDbDatabasePtr database;
        std::u16string message;
        if (ReadDrawingFile(win32::ToUtf8(path), database, message)) {
          if (Application::instance().document() != nullptr) Application::instance().closeDocument();
          ShowDrawing(host.newDocument(), host.window().view(), std::move(database), win32::ToUtf8(path), message);
        }
        host.console().write(message);
      },
      u"File", u"Open drawing…", u"Ctrl+O");
  add(
      u"OPENCLOUD",
      [&host] {
        std::u16string path;
        if (host.console().readFileName(u"Point cloud file", u"Point clouds (*.ply *.xyz *.txt *.pts);;All files (*)",
                                        path) != kHostPromptOk ||
            path.empty())
          return;
        Document* document = Application::instance().document();
        if (document == nullptr) {
          document = &host.newDocument();
          NewDrawing(*document, host.window().view());
        }
        OpenPointCloudFiles(*document, {win32::ToUtf8(path)}, host.console());
      },
      u"File", u"Open point cloud…", u"Ctrl+Shift+O");
  add(
      u"CLOSE",
      [&host] {
        if (Application::instance().document() == nullptr) {
          host.console().write(u"No drawing is open.");
          return;
        }
        Application::instance().closeDocument();
        host.console().write(u"Drawing closed.");
      },
      u"File", u"Close", u"Ctrl+W");
  add(
      u"QUIT",
      [&host] {
        host.stop();
        host.window().close();
        QCoreApplication::quit();
      },
      u"File", u"Quit", u"Ctrl+Q");
  add(
      u"VIEWINFO",
      [&host] {
        Document* document = Application::instance().document();
        ViewWidget* view = host.window().view();
        if (document == nullptr || view == nullptr) {
          host.console().write(document == nullptr ? u"No drawing is open." : u"The view window is closed.");
          return;
        }
        const QPoint origin = view->mapToGlobal(QPoint(0, 0));
        host.console().write(win32::FormatWideV(u"View window %d: %dx%d at %d,%d", static_cast<int>(view->winId()),
                                                view->width(), view->height(), origin.x(), origin.y()));
      },
      u"View", u"View window information");
}

}  // namespace host
