#include "screenshots/FourViewScreenshot.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <sstream>

#include "base/HostAccess.h"
#include "resources/StringTable.h"
#include "screenshots/FourViewCameras.h"
#include "screenshots/GrabDocumentWindow.h"
#include "screenshots/ScreenshotCommands.h"
#include "screenshots/ScreenshotNaming.h"
#include "screenshots/ScreenshotReport.h"
#include "screenshots/SingleViewport.h"
#include "win32/Threads.h"

namespace {

// The point size while the views are taken, and the one left afterwards.
constexpr OdUInt16 kShotPointSize = 2;
constexpr OdUInt16 kFinalPointSize = 1;
// Time for the window to show a new camera before it is grabbed; the first
// view also shows the new layout and colouring.
constexpr DWORD kFirstViewWait = 100;
constexpr DWORD kNextViewWait = 20;

double PointerScreenRatio() {
  const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

}  // namespace

FourViewGrid FourViewGridFor(int firstWidth, int firstHeight, double pixelRatio) {
  if (!(pixelRatio > 0.0) || !std::isfinite(pixelRatio)) pixelRatio = 1.0;
  const double width = firstWidth / pixelRatio;
  const double height = firstHeight / pixelRatio;
  FourViewGrid grid;
  grid.cellWidth = static_cast<int>(std::floor(width + 0.5));
  grid.cellHeight = static_cast<int>(std::floor(height + 0.5));
  grid.offsetX = static_cast<int>(width);
  grid.offsetY = static_cast<int>(height);
  return grid;
}

QPixmap ArrangeFourViews(const std::array<QPixmap, 4>& views, double pixelRatio, int width, int height) {
  const FourViewGrid grid = FourViewGridFor(views[0].width(), views[0].height(), pixelRatio);
  QPixmap canvas(grid.canvasWidth(), grid.canvasHeight());
  if (canvas.isNull()) return canvas;
  canvas.fill(Qt::black);
  QPainter painter(&canvas);
  painter.drawPixmap(QPoint(0, 0), views[0]);
  painter.drawPixmap(QPoint(grid.offsetX, 0), views[1]);
  painter.drawPixmap(QPoint(0, grid.offsetY), views[3]);
  painter.drawPixmap(QPoint(grid.offsetX, grid.offsetY), views[2]);
  painter.end();
  if (width == 0 || height == 0) return canvas;
  return canvas.scaled(QSize(width, height), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QPixmap ComposeFourViews(hostDbPointCloudInsertionPtr cloud, int width, int height) {
  std::array<QPixmap, 4> views;
  for (std::size_t i = 0; i < kFourViews.size(); ++i) {
    SetFourViewCamera(kFourViews[i], cloud);
    Sleep(i == 0 ? kFirstViewWait : kNextViewWait);
    views[i] = GrabDocumentWindow();
  }
  QPixmap combined = ArrangeFourViews(views, PointerScreenRatio(), width, height);
  cloud.release();
  return combined;
}

bool ParseFourViewResolution(const OdString& text, int& width, int& height) {
  std::istringstream in(text.toUtf8());
  int w = 0, h = 0;
  char separator = 0;
  if (!(in >> w >> separator >> h) || separator != ':') return false;
  width = w;
  height = h;
  return true;
}

void MakeFourViewScreenshot() {
  SetThreadLocale(GetSystemDefaultLCID());
  // Without a document there is nothing to lay out, pick or grab.
  if (HostCurrentDocument() == nullptr) return;

  // Before the pick: even a cancelled command leaves the single viewport.
  SetSingleViewport();

  OdDbObjectId picked;
  XPC::PointCloudSingleSelect(picked, nullptr);
  // Nothing picked (a cancel, or a pick of something else) ends the command
  // without a word.
  if (picked.isNull()) return;
  hostDbPointCloudInsertionPtr cloud;
  {
    OdDbObjectPtr object = picked.openObject(OdDb::kForWrite);
    cloud = hostDbPointCloudInsertion::cast(object.get());
  }
  if (cloud.isNull()) return;

  SetCloudPointSize(cloud, kShotPointSize);
  OdDbDatabase* database = cloud->database();
  if (database == nullptr) return;
  const OdDbHandle viewport = database->activeViewportId().getHandle();
  {
    XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(viewport);
    XPC::InsertionPointCloudInfoPtr info = cloud->getCloudInfo();
    if (params.isNull() || info.isNull() || !info->isDataValid(kFourViewNormalData)) {
      ReportScreenshotMessage(LoadModuleString(IDS_NEED_NORMALS));
      return;
    }
    params->setColoringParams(XPC::ColoringByNormals());
    cloud->setVisualizationParamsSetToViewport(params.get(), viewport);
  }

  int width = 0, height = 0;
  if (!ParseFourViewResolution(LoadModuleString(IDS_FOUR_VIEW_RESOLUTION), width, height)) {
    ReportScreenshotMessage(LoadModuleString(IDS_RESOLUTION_PARSE_ERROR));
    return;
  }

  const QPixmap combined = ComposeFourViews(cloud, width, height);

  // The name is asked for only now, so its prompt is in none of the views.
  const OdAnsiString path(GetScreenshotPath(), CP_UTF_8);
  if (path.isEmpty()) {
    ReportScreenshotMessage(LoadModuleString(IDS_FOLDER_ERROR));
    return;
  }
  SetCloudPointSize(cloud, kFinalPointSize);
  SaveScreenshot(combined, path);
}
