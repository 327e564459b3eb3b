// A person's pick: while the selection prompt waits, a left click in the
// view window picks the entity under the pointer if the filter takes it.
// The clicks are real mouse events sent to the view widget; the console
// stands in for the command line, where the person then presses Enter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <functional>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostWindow.h"
#include "host/XPC.h"
#include "sdk/OdDbLine.h"

namespace {

int g_argc = 1;
char g_name[] = "cloud_click_select_test";
char* g_argv[] = {g_name, nullptr};

class ClickingConsole final : public host::Console {
 public:
  std::function<void()> whileAsked;
  std::vector<std::u16string> written;
  void write(const std::u16string& message) override { written.push_back(message); }
  int readLine(const std::u16string&, const std::u16string&, std::u16string& answer) override {
    if (whileAsked) whileAsked();
    answer.clear();  // Enter
    return kHostPromptOk;
  }
};

void Click(QWidget* widget, int x, int y) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, y), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

class CloudsOnly final : public HostEdSSetTracker {
 public:
  bool isSelectable(const OdDbObjectId& id) override {
    return hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForRead).get()) != nullptr;
  }
};

TEST(ClickSelect, ClicksPickWhatTheFilterTakesAndLeaveTheCameraAlone) {
  QApplication app(g_argc, g_argv);
  host::HostWindow window;
  window.show();
  ClickingConsole console;
  host::Application::instance().setConsole(&console);
  host::Document* document = host::Application::instance().openDocument(u"Clicks");
  host::NewDrawing(*document, window.view());
  host::InstallSelectionInput(*document);
  QApplication::processEvents();

  auto line = OdDbLine::createObject();
  line->setStartPoint(OdGePoint3d(-4, -4, 0));
  line->setEndPoint(OdGePoint3d(4, -4, 0));
  document->database()->addEntity(line.get());
  auto data = std::make_shared<host::PointCloudData>();
  data->xyz = {0, 2, 0};
  const OdDbObjectId cloudId = host::AttachPointCloud(*document, data, u"dot");
  host::ViewWidget* widget = window.view();
  OdGsView* view = document->viewManager()->activeView();
  view->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 10, 10);
  document->viewManager()->refreshView(view, 0);
  const double scale = std::min(widget->width(), widget->height()) / 10.0;
  const int cx = widget->width() / 2, cy = widget->height() / 2;
  const OdGePoint3d eye = view->position();

  console.whileAsked = [&] {
    Click(widget, cx + static_cast<int>(2 * scale), cy + static_cast<int>(4 * scale));  // on the line: refused
    Click(widget, cx, cy - static_cast<int>(2 * scale));                                // on the cloud
    Click(widget, cx + 3, cy + 3);                                                      // on nothing
  };
  hostSelectionSetPtr set;
  CloudsOnly tracker;
  ASSERT_EQ(document->selectionInput()->select(set, 0, u"Select point cloud", 0, 0x3000, 0, 0, 0, &tracker),
            kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{cloudId});
  EXPECT_EQ(console.written, (std::vector<std::u16string>{u"That object cannot be picked here.", u"1 found, 1 in all.",
                                                          u"Nothing there."}));
  // The clicks were the pick's, not the view's: the camera did not move.
  EXPECT_EQ(view->position(), eye);

  // After the pick a click orbits the view again and picks nothing.
  const std::size_t messages = console.written.size();
  Click(widget, cx, cy - static_cast<int>(2 * scale));
  EXPECT_EQ(console.written.size(), messages);
  host::Application::instance().closeDocument();
  host::Application::instance().setConsole(nullptr);
}

}  // namespace
