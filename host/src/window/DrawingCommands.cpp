// Host commands that move the view of the drawing, and save what the view
// window shows:
//   VIEWORBIT     turns the view about its target (asks "horizontal,vertical" degrees);
//   VIEWZOOM      zooms by a factor (asks for it; above 1 comes closer);
//   VIEWEXTENTS   shows the whole drawing;
//   VIEWPROJECTION switches between parallel and perspective;
//   VIEWSAVEPNG   saves the view window's pixels as a PNG file (asks for the path).
// Service 12 (bring the current view onto the screen) is installed here too.
#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QStringList>

#include "host/CommandRegistry.h"
#include "host/DrawingDocument.h"
#include "win32/QtText.h"
#include "win32/Text.h"

namespace host {

namespace {

void Add(const char16_t* name, const char16_t* label, std::function<void()> body) {
  CommandRegistry::instance().addHostCommand(name, std::move(body), u"View", label);
}

// The current drawing's views and active view, or a message and null.
DrawingViewManager* CurrentViews(OdGsView*& view) {
  Console& console = Application::instance().console();
  Drawing* drawing = DrawingOf(Application::instance().document());
  view = drawing != nullptr ? drawing->views()->activeView() : nullptr;
  if (view == nullptr) {
    console.write(drawing == nullptr ? u"No drawing is open." : u"The view window is closed.");
    return nullptr;
  }
  return drawing->views();
}

bool AskNumbers(const char16_t* prompt, const char16_t* defaultText, int count, double* values) {
  Console& console = Application::instance().console();
  std::u16string answer;
  if (console.readLine(prompt, defaultText, answer) != kHostPromptOk) return false;
  const QStringList parts = win32::ToQString(answer).split(QLatin1Char(','));
  bool ok = parts.size() == count;
  for (int i = 0; ok && i < count; ++i) {
    values[i] = parts[i].trimmed().toDouble(&ok);
    ok = ok && std::isfinite(values[i]);
  }
  if (!ok) console.write(u"Invalid input \"" + answer + u"\".");
  return ok;
}

struct DrawingCommands {
  DrawingCommands() {
    Add(u"VIEWORBIT", u"Orbit…", [] {
      OdGsView* view;
      DrawingViewManager* views = CurrentViews(view);
      double angles[2];
      if (views == nullptr || !AskNumbers(u"Orbit degrees (horizontal,vertical)", u"30,0", 2, angles)) return;
      view->orbit(angles[0], angles[1]);
      views->refreshView(view, 0);
    });
    Add(u"VIEWZOOM", u"Zoom…", [] {
      OdGsView* view;
      DrawingViewManager* views = CurrentViews(view);
      double factor;
      if (views == nullptr || !AskNumbers(u"Zoom factor", u"2", 1, &factor)) return;
      if (!(factor > 0.0)) {
        Application::instance().console().write(u"The zoom factor must be above 0.");
        return;
      }
      view->zoom(factor);
      views->refreshView(view, 0);
    });
    Add(u"VIEWEXTENTS", u"Zoom to the whole drawing", [] {
      OdGsView* view;
      DrawingViewManager* views = CurrentViews(view);
      if (views == nullptr) return;
      view->zoomExtents(views->device()->database()->modelSpaceExtents());
      views->refreshView(view, 0);
    });
    Add(u"VIEWPROJECTION", u"Parallel or perspective", [] {
      OdGsView* view;
      DrawingViewManager* views = CurrentViews(view);
      if (views == nullptr) return;
      const bool perspective = !view->isPerspective();
      view->setView(view->position(), view->target(), view->upVector(), view->fieldWidth(), view->fieldHeight(),
                    perspective ? OdGsView::kPerspective : OdGsView::kParallel);
      views->refreshView(view, 0);
      Application::instance().console().write(perspective ? u"Perspective projection." : u"Parallel projection.");
    });
    Add(u"VIEWSAVEPNG", u"Save the view as PNG…", [] {
      Console& console = Application::instance().console();
      OdGsView* view;
      DrawingViewManager* views = CurrentViews(view);
      if (views == nullptr) return;
      std::u16string path;
      if (console.readLine(u"PNG file", u"view.png", path) != kHostPromptOk || path.empty()) return;
      views->refreshView(view, 0);
      if (views->widget()->grab().save(win32::ToQString(path), "PNG")) {
        console.write(u"View saved: " + path + u".");
        return;
      }
      const QFileInfo folder(QFileInfo(win32::ToQString(path)).absolutePath());
      console.write(u"Cannot save the view to " + path +
                    (folder.isDir() ? u": the PNG file cannot be written." : u": no such folder."));
    });

    // Service 12: the current view on the screen, drawn with its camera now.
    Application::instance().setShowView([] {
      Drawing* drawing = DrawingOf(Application::instance().document());
      if (drawing == nullptr || drawing->views() == nullptr) return;
      drawing->views()->refreshView(drawing->views()->activeView(), 0);
      if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) QApplication::sync();
    });
  }
} g_drawingCommands;

}  // namespace

}  // namespace host
