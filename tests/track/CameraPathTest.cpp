// Where the camera of a flight along a trajectory stands, looks and which
// way is up, on curves whose geometry is known.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "track/CameraPath.h"

namespace {

OdSmartPtr<OdDbPolyline> StraightAlongX(double length, double elevation = 0.0) {
  auto pl = OdDbPolyline::createObject();
  pl->addVertexAt(0, OdGePoint2d(0, 0));
  pl->addVertexAt(1, OdGePoint2d(length, 0));
  pl->setElevation(elevation);
  return pl;
}

std::vector<TrackCamera> Fly(const OdDbCurve& curve, double stepSpeed, int fps) {
  CameraPath path(curve, stepSpeed, fps);
  EXPECT_TRUE(path.stepIsUsable());
  EXPECT_EQ(path.start(), eOk);
  std::vector<TrackCamera> cameras;
  while (path.hasFrame() && cameras.size() < 100000) {
    TrackCamera camera;
    EXPECT_EQ(path.camera(camera), eOk);
    cameras.push_back(camera);
    path.advance();
  }
  return cameras;
}

void ExpectVector(const OdGeVector3d& v, double x, double y, double z) {
  EXPECT_NEAR(v.x, x, 1e-9);
  EXPECT_NEAR(v.y, y, 1e-9);
  EXPECT_NEAR(v.z, z, 1e-9);
}

}  // namespace

TEST(CameraPath, FramesStepAlongTheCurveAndTheLastKeepsTheDirectionBefore) {
  const auto line = StraightAlongX(1.0);
  {
    // 30 fps, speed 1.5: a step of 0.025 gives 40 frames, eyes 0 .. 0.975.
    CameraPath path(*line, 1.5, 30);
    ASSERT_EQ(path.start(), eOk);
    EXPECT_DOUBLE_EQ(path.step(), 0.025);
    EXPECT_EQ(path.progressSteps(), 40);
    const auto cameras = Fly(*line, 1.5, 30);
    ASSERT_EQ(cameras.size(), 40u);
    for (std::size_t k = 0; k < cameras.size(); ++k) {
      EXPECT_NEAR(cameras[k].eye.x, 0.025 * static_cast<double>(k), 1e-12) << k;
      EXPECT_EQ(cameras[k].eye.y, 0.0);
      ExpectVector(cameras[k].up, 0, 0, 1);
    }
    // Looking one step ahead, and the last frame along the one before.
    EXPECT_NEAR(cameras[10].target.x, 0.275, 1e-12);
    EXPECT_NEAR(cameras[39].target.x - cameras[39].eye.x, 1.0, 1e-12);
  }
  {
    // 10 fps: a step of 0.075; 14 frames but 13 progress steps.
    CameraPath path(*line, 1.5, 10);
    ASSERT_EQ(path.start(), eOk);
    EXPECT_EQ(path.progressSteps(), 13);
    const auto cameras = Fly(*line, 1.5, 10);
    ASSERT_EQ(cameras.size(), 14u);
    EXPECT_NEAR(cameras.back().eye.x, 0.975, 1e-12);
  }
}

TEST(CameraPath, TheUpVectorFollowsWorldZAndNeverPointsDown) {
  // Elevated and level: eyes at its height, up along Z.
  for (const TrackCamera& camera : Fly(*StraightAlongX(2.0, 7.5), 1.5, 10)) {
    EXPECT_DOUBLE_EQ(camera.eye.z, 7.5);
    ExpectVector(camera.up, 0, 0, 1);
  }
  // Climbing at 45 degrees in X: up leans back.
  auto spline = OdDbSpline::createObject();
  ASSERT_EQ(spline->setFitData({OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 1), OdGePoint3d(2, 0, 2)}), eOk);
  const auto climb = Fly(*spline, 1.5, 10);
  ASSERT_FALSE(climb.empty());
  const double h = std::sqrt(0.5);
  ExpectVector(climb.front().up, -h, 0, h);
  // Descending: still up, never below the XY plane.
  auto down = OdDbSpline::createObject();
  ASSERT_EQ(down->setFitData({OdGePoint3d(0, 0, 2), OdGePoint3d(1, 0, 1), OdGePoint3d(2, 0, 0)}), eOk);
  for (const TrackCamera& camera : Fly(*down, 1.5, 10)) EXPECT_GT(camera.up.z, 0.7);
}

TEST(CameraPath, AVerticalPieceKeepsTheUpVectorItHad) {
  // Along X, then straight up: looking up, Z gives no up vector.
  auto pl = OdDbSpline::createObject();
  ASSERT_EQ(pl->setNurbsData(1, {OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(1, 0, 5)}, {0, 0, 1, 2, 2}), eOk);
  for (const TrackCamera& camera : Fly(*pl, 3.0, 10)) {
    EXPECT_NEAR(camera.up.length(), 1.0, 1e-9);
    EXPECT_FALSE(std::isnan(camera.up.x));
  }
}

TEST(CameraPath, UnusableStepsAndShortCurves) {
  const auto line = StraightAlongX(1.0);
  EXPECT_FALSE(CameraPath(*line, 0.0, 30).stepIsUsable());
  EXPECT_FALSE(CameraPath(*line, -1.5, 30).stepIsUsable());
  EXPECT_FALSE(CameraPath(*line, 1.5, 0).stepIsUsable());
  EXPECT_FALSE(CameraPath(*line, std::nan(""), 30).stepIsUsable());
  EXPECT_FALSE(CameraPath(*line, INFINITY, 30).stepIsUsable());
  // Shorter than one step: the first frame looks past the end, which the
  // curve refuses.
  const auto shortLine = StraightAlongX(0.01);
  CameraPath path(*shortLine, 1.5, 30);
  ASSERT_EQ(path.start(), eOk);
  ASSERT_TRUE(path.hasFrame());
  TrackCamera camera;
  EXPECT_NE(path.camera(camera), eOk);
}
