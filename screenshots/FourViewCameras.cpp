#include "screenshots/FourViewCameras.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/HostAccess.h"
#include "host/DrawingViewManager.h"
#include "sdk/OdGsDevice.h"
#include "win32/Kernel.h"

const std::array<FourViewAxes, 4> kFourViews = {{
    {OdGeVector3d(0, 0, 1), OdGeVector3d(-1, 1, 0), OdGeVector3d(0, 0, 0)},
    {OdGeVector3d(0, 0, 1), OdGeVector3d(1, 1, 0), OdGeVector3d(0, 0, 0)},
    {OdGeVector3d(0, 0, 1), OdGeVector3d(1, -1, 0), OdGeVector3d(0, 0, 0)},
    {OdGeVector3d(0, 0, 1), OdGeVector3d(-1, -1, 0), OdGeVector3d(0, 0, 0)},
}};

namespace {

// How much wider the field is than the cloud's box.
constexpr double kFieldMargin = 1.4;
// The eye's step from the target: in parallel projection the distance plays
// no part, only the direction.
constexpr double kEyeStep = 0.001;

// Host service 12, when the host offers it.
void ShowViewOnScreen() {
  HMODULE mainModule = FindHostMainModule();
  if (mainModule == nullptr) return;
  auto getService = reinterpret_cast<GetHostFuncPtrFn>(GetProcAddress(mainModule, "get_host_funcptr"));
  if (getService == nullptr) return;
  if (auto show = reinterpret_cast<HostShowViewFn>(getService(kHostServiceShowView))) show(0);
}

}  // namespace

void SetFourViewCamera(const FourViewAxes& axes, hostDbPointCloudInsertionPtr cloud) {
  if (cloud.isNull()) return;
  HostDocument* document = HostCurrentDocument();
  if (document == nullptr) return;
  OdDbDatabasePtr database(document->database());
  if (database.isNull()) return;
  // The count itself changes nothing here; a drawing whose viewports cannot
  // be counted is not aimed at.
  int viewports = 0;
  if (!XPC::getCountViewports(database.get(), viewports)) return;
  HostViewManager* views = document->viewManager();
  if (views == nullptr) return;
  OdGsView* view = views->activeView();
  if (view == nullptr) return;
  // A view in perspective stays as it is; saying so needs the command line,
  // and without one nothing is changed either.
  HostCommandOutput* output = document->messageOutput();
  if (view->isPerspective()) {
    if (output != nullptr) output->print(u"%s", u"Perspective Error");
    return;
  }
  if (output == nullptr) return;

  XPC::InsertionPointCloudInfoPtr info = cloud->getCloudInfo();
  if (info.isNull()) return;
  const OdGeExtents3d cloudExtents = info->getExtents();
  const OdGePoint3d center = cloudExtents.minPoint() + (cloudExtents.maxPoint() - cloudExtents.minPoint()) * 0.5;

  // The box is measured across the direction of view, so that the whole
  // cloud is in the picture. The view's axes themselves (side, up and a zero
  // third axis) make a flat system whose inverse does not exist: measured in
  // world XY instead, a tall cloud would be cut off at top and bottom.
  const OdGeVector3d offset = axes.up + axes.side + axes.extra;
  const OdGeVector3d back = offset.normal();
  const OdGeVector3d screenUp = (axes.up - back * axes.up.dotProduct(back)).normal();
  const OdGeVector3d screenRight = screenUp.crossProduct(back);
  // Camera coordinates (right, up, back from the centre) to world, and back.
  const OdGeMatrix3d toWorld =
      OdGeMatrix3d::alignCoordSys(OdGePoint3d(0, 0, 0), OdGeVector3d::kXAxis, OdGeVector3d::kYAxis,
                                  OdGeVector3d::kZAxis, center, screenRight, screenUp, back);
  OdGeMatrix3d toView;
  toView.setToIdentity();
  HostGeUtils::invertMatrix(toWorld, toView);

  XPC::VisualizationParamsWrapperPtr fresh = cloud->createVisualizationParamsSet();
  OdGeExtents3d box;
  if (!fresh.isNull()) {
    if (XPC::InsertionPointCloudInfoPtr freshInfo = fresh->getCloudInfo()) box.addExt(freshInfo->getExtents());
  }
  std::pair<OdGePoint2d, OdGePoint2d> rect(OdGePoint2d(0, 0), OdGePoint2d(0, 0));
  XPC::computeBoundingRectangle(box, toView, rect);
  const double field =
      kFieldMargin * std::max(std::fabs(rect.second.x - rect.first.x), std::fabs(rect.second.y - rect.first.y));

  const OdGePoint3d eye = center + offset * kEyeStep;
  view->setView(eye, center, axes.up, field, field, OdGsView::kParallel);
  views->refreshView(view, 0);
  ShowViewOnScreen();
}

bool SetCloudPointSize(hostDbPointCloudInsertionPtr cloud, OdUInt16 size) {
  if (cloud.isNull()) return false;
  OdDbDatabase* database = cloud->database();
  if (database == nullptr) return false;
  const OdDbHandle viewport = database->activeViewportId().getHandle();
  XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(viewport);
  XPC::InsertionPointCloudInfoPtr info = cloud->getCloudInfo();
  if (params.isNull() || info.isNull() || !info->isDataValid(kFourViewNormalData)) return false;
  params->setPointSize(size);
  return cloud->setVisualizationParamsSetToViewport(params.get(), viewport);
}
