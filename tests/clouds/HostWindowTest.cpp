// The host window on real Qt widgets: the progress bar's Cancel button, a pick
// by clicking in the view, and host service 12 showing the view before it returns.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "InProcessHost.h"
#include "QtApp.h"
#include "host/DrawingDocument.h"
#include "host/HostApi.h"
#include "host/HostSelection.h"
#include "host/HostWindow.h"
#include "host/ProgressBar.h"
#include "host/XPC.h"
#include "sdk/OdDbLine.h"

namespace {

class HostWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pcvr_test::EnsureApplication(); }
  void SetUp() override {
    window.show();
    document = host::Application::instance().openDocument(u"Window");
    host::NewDrawing(*document, window.view());
    host::InstallSelectionInput(*document);
    for (int i = 0; i < 50 && !window.windowHandle()->isExposed(); ++i)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    view = document->viewManager()->activeView();
  }
  void TearDown() override { host::Application::instance().closeDocument(); }
  void click(int x, int y) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.view(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, y), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.view(), &release);
  }
  OdDbObjectId attach(std::vector<float> xyz, std::vector<std::uint32_t> colors = {}) {
    auto data = std::make_shared<host::PointCloudData>();
    data->xyz = std::move(xyz);
    data->colors = std::move(colors);
    return host::AttachPointCloud(*document, data, u"cloud");
  }

  host::HostWindow window;
  pcvr_test::ScriptedConsole console;
  host::Document* document = nullptr;
  OdGsView* view = nullptr;
};

TEST_F(HostWindowTest, ProgressBarStepsAndItsCancelButton) {
  ProgressBar progress;
  progress.StartStepIteration(u"Rendering", 100, 400, kProgressPercent);
  auto* bar = window.findChild<QProgressBar*>(QStringLiteral("progressBar"));
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  for (int i = 0; i < 100; ++i) progress.StepIt(1);
  EXPECT_EQ(bar->value(), 25);
  progress.StepIt(1000);  // not past the end
  EXPECT_EQ(progress.position(), 100u);
  EXPECT_FALSE(progress.IsBreak());
  window.findChild<QPushButton*>(QStringLiteral("progressCancel"))->click();
  EXPECT_TRUE(progress.IsBreak());
  EXPECT_TRUE(progress.IsBreak());  // it stays
  progress.Close();
  EXPECT_FALSE(bar->isVisible());
}

TEST_F(HostWindowTest, ClicksPickWhatTheFilterTakesAndLeaveTheCameraAlone) {
  auto line = OdDbLine::createObject();
  line->setStartPoint(OdGePoint3d(-4, -4, 0));
  line->setEndPoint(OdGePoint3d(4, -4, 0));
  document->database()->addEntity(line.get());
  const OdDbObjectId cloudId = attach({0, 2, 0});
  view->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 10, 10);
  document->viewManager()->refreshView(view, 0);
  const double scale = std::min(window.view()->width(), window.view()->height()) / 10.0;
  const int cx = window.view()->width() / 2, cy = window.view()->height() / 2;
  const OdGePoint3d eye = view->position();
  console.answer(kHostPromptOk);  // Enter, after the clicks
  console.whileAsked = [&] {
    click(cx + static_cast<int>(2 * scale), cy + static_cast<int>(4 * scale));  // on the line: refused
    click(cx, cy - static_cast<int>(2 * scale));                                // on the cloud
    click(cx + 3, cy + 3);                                                      // on nothing
  };
  struct CloudsOnly final : HostEdSSetTracker {
    bool isSelectable(const OdDbObjectId& id) override {
      return hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForRead).get()) != nullptr;
    }
  } tracker;
  hostSelectionSetPtr set;
  ASSERT_EQ(document->selectionInput()->select(set, 0, u"Select point cloud", 0, 0x3000, 0, 0, 0, &tracker),
            kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{cloudId});
  EXPECT_EQ(console.messages, (std::vector<std::u16string>{u"That object cannot be picked here.", u"1 found, 1 in all.",
                                                           u"Nothing there."}));
  EXPECT_EQ(view->position(), eye);  // the clicks were the pick's, not the view's
  // After the pick a click orbits the view again and picks nothing.
  click(cx, cy - static_cast<int>(2 * scale));
  EXPECT_EQ(console.messages.size(), 3u);
}

TEST_F(HostWindowTest, ShowViewPutsTheNewCameraOnTheScreenBeforeItReturns) {
  std::vector<float> xyz;
  for (int i = 0; i < 400; ++i) xyz.insert(xyz.end(), {100.0f + (i % 20) * 0.05f, 100.0f + (i / 20) * 0.05f, 0});
  const OdDbObjectId id = attach(xyz, std::vector<std::uint32_t>(400, 0xFF00FF));
  auto* cloud = hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForWrite).get());
  ASSERT_NE(cloud, nullptr);
  const OdDbHandle viewport = document->database()->activeViewportId().getHandle();
  XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(viewport);
  params->setPointSize(8);
  cloud->setVisualizationParamsSetToViewport(params.get(), viewport);
  auto show = reinterpret_cast<HostShowViewFn>(get_host_funcptr(kHostServiceShowView));
  ASSERT_NE(show, nullptr);
  const auto magentaOnScreen = [&] {
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(window.view()->winId()).toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
    return n;
  };
  // Looking far away from the cloud first, then at it: no event processing between.
  view->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 5, 5);
  show(0);
  EXPECT_EQ(magentaOnScreen(), 0);
  view->setView(OdGePoint3d(100.5, 100.5, 10), OdGePoint3d(100.5, 100.5, 0), OdGeVector3d(0, 1, 0), 5, 5);
  show(0);
  EXPECT_GT(magentaOnScreen(), 1000);
}

}  // namespace
