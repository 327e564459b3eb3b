// Host service 12: the current view is on the screen, with its new camera,
// when the call returns (no event processing in between). Read back from the
// X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include "host/DrawingDocument.h"
#include "host/HostApi.h"
#include "host/HostWindow.h"
#include "host/XPC.h"

namespace {

int g_argc = 1;
char g_name[] = "cloud_show_view_test";
char* g_argv[] = {g_name, nullptr};

int CloudPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == 0xFF00FF) ++n;
  return n;
}

TEST(HostService12, TheViewIsOnTheScreenWithItsNewCameraWhenTheCallReturns) {
  QApplication app(g_argc, g_argv);
  host::HostWindow window;
  window.show();
  host::Document* document = host::Application::instance().openDocument(u"Shown");
  host::NewDrawing(*document, window.view());
  for (int i = 0; i < 50 && !window.windowHandle()->isExposed(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
  auto data = std::make_shared<host::PointCloudData>();
  for (int i = 0; i < 400; ++i) data->xyz.insert(data->xyz.end(), {100.0f + (i % 20) * 0.05f, 100.0f + (i / 20) * 0.05f, 0});
  data->colors.assign(400, 0xFF00FF);
  const OdDbObjectId id = host::AttachPointCloud(*document, data, u"square");
  auto* cloud = hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForWrite).get());
  ASSERT_NE(cloud, nullptr);
  const OdDbHandle viewport = document->database()->activeViewportId().getHandle();
  XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(viewport);
  params->setPointSize(8);
  cloud->setVisualizationParamsSetToViewport(params.get(), viewport);

  OdGsView* view = document->viewManager()->activeView();
  ASSERT_NE(view, nullptr);
  // Looking far away from the cloud first, and on the screen.
  view->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 5, 5);
  auto show = reinterpret_cast<HostShowViewFn>(get_host_funcptr(kHostServiceShowView));
  ASSERT_NE(show, nullptr);
  show(0);
  QScreen* screen = QGuiApplication::primaryScreen();
  const WId viewWindow = window.view()->winId();
  EXPECT_EQ(CloudPixels(screen->grabWindow(viewWindow).toImage()), 0);

  view->setView(OdGePoint3d(100.5, 100.5, 10), OdGePoint3d(100.5, 100.5, 0), OdGeVector3d(0, 1, 0), 5, 5);
  show(0);
  EXPECT_GT(CloudPixels(screen->grabWindow(viewWindow).toImage()), 1000);
  host::Application::instance().closeDocument();
}

}  // namespace
