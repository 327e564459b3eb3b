// A flight along a trajectory: the objects it may follow, where its camera
// stands, looks and which way is up, and its summary's numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "base/RecordingSummary.h"
#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdError.h"
#include "track/CameraPath.h"
#include "track/TrajectorySelection.h"

namespace {

OdSmartPtr<OdDbPolyline> StraightAlongX(double length, double elevation = 0.0) {
  auto pl = OdDbPolyline::createObject();
  pl->addVertexAt(0, OdGePoint2d(0, 0));
  pl->addVertexAt(1, OdGePoint2d(length, 0));
  pl->setElevation(elevation);
  return pl;
}

OdSmartPtr<OdDbSpline> Through(std::vector<OdGePoint3d> points) {
  auto spline = OdDbSpline::createObject();
  EXPECT_EQ(spline->setFitData(points), eOk);
  return spline;
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

double Distance(const OdGeVector3d& a, const OdGeVector3d& b) { return (a - b).length(); }

TEST(CameraPath, FramesStepAlongTheCurveLookingOneStepAheadAndTheLastAlongTheOneBefore) {
  const struct {
    double length, speed;
    int fps;
    double step;
    int progressSteps;
    std::size_t frames;
  } table[] = {
      {1.0, 1.5, 30, 0.025, 40, 40},  // speed / fps / 2: eyes 0 .. 0.975
      {1.0, 1.5, 10, 0.075, 13, 14},  // 14 frames, 13 progress steps
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.fps);
    const auto line = StraightAlongX(row.length);
    CameraPath path(*line, row.speed, row.fps);
    ASSERT_EQ(path.start(), eOk);
    EXPECT_DOUBLE_EQ(path.step(), row.step);
    EXPECT_EQ(path.progressSteps(), row.progressSteps);
    const auto cameras = Fly(*line, row.speed, row.fps);
    ASSERT_EQ(cameras.size(), row.frames);
    for (std::size_t k = 0; k < cameras.size(); ++k) {
      EXPECT_NEAR(cameras[k].eye.x, row.step * static_cast<double>(k), 1e-12) << k;
      EXPECT_EQ(cameras[k].eye.y, 0.0);
      EXPECT_LT(Distance(cameras[k].up, OdGeVector3d(0, 0, 1)), 1e-9);
      // One step ahead, and the last frame along the direction before.
      EXPECT_NEAR(cameras[k].target.x - cameras[k].eye.x, k + 1 < cameras.size() ? row.step : 1.0, 1e-9) << k;
    }
  }
}

TEST(CameraPath, TheUpVectorFollowsWorldZNeverPointsDownAndSurvivesAVerticalPiece) {
  for (const TrackCamera& camera : Fly(*StraightAlongX(2.0, 7.5), 1.5, 10)) {
    EXPECT_DOUBLE_EQ(camera.eye.z, 7.5);  // elevated and level: eyes at its height
    EXPECT_LT(Distance(camera.up, OdGeVector3d(0, 0, 1)), 1e-9);
  }
  // Climbing at 45 degrees in X, up leans back; descending it is still up.
  const double h = std::sqrt(0.5);
  EXPECT_LT(Distance(Fly(*Through({{0, 0, 0}, {1, 0, 1}, {2, 0, 2}}), 1.5, 10).front().up, OdGeVector3d(-h, 0, h)),
            1e-9);
  for (const TrackCamera& camera : Fly(*Through({{0, 0, 2}, {1, 0, 1}, {2, 0, 0}}), 1.5, 10))
    EXPECT_GT(camera.up.z, 0.7);
  // Along X, then straight up: looking up, Z gives no up vector and the one before serves.
  auto bend = OdDbSpline::createObject();
  ASSERT_EQ(bend->setNurbsData(1, {OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(1, 0, 5)}, {0, 0, 1, 2, 2}),
            eOk);
  for (const TrackCamera& camera : Fly(*bend, 3.0, 10)) {
    EXPECT_NEAR(camera.up.length(), 1.0, 1e-9);
    EXPECT_FALSE(std::isnan(camera.up.x));
  }
}

TEST(CameraPath, UnusableStepsAndShortCurves) {
  const auto line = StraightAlongX(1.0);
  for (const auto& [speed, fps] : {std::pair{0.0, 30}, {-1.5, 30}, {1.5, 0}, {std::nan(""), 30}, {INFINITY, 30}}) {
    EXPECT_FALSE(CameraPath(*line, speed, fps).stepIsUsable()) << speed << " " << fps;
  }
  // Flights that would not end are refused before their first frame; the
  // longest that a recording can count is kept.
  const struct {
    double length, speed;
    int fps;
    OdResult started;
  } flights[] = {
      {1.0, 1e-300, 30, eInvalidInput},         {10.0, 1e-12, 30, eInvalidInput}, {1e300, 1.5, 30, eInvalidInput},
      {INT32_MAX + 1.0, 2.0, 1, eInvalidInput}, {INT32_MAX, 2.0, 1, eOk},         {1.0, 1e-6, 30, eOk},
  };
  for (const auto& flight : flights) {
    const auto curve = StraightAlongX(flight.length);
    CameraPath refused(*curve, flight.speed, flight.fps);
    EXPECT_EQ(refused.start(), flight.started) << flight.length << " " << flight.speed;
    EXPECT_EQ(refused.hasFrame(), flight.started == eOk) << flight.length << " " << flight.speed;
  }
  // Shorter than one step: the first frame looks past the end, which the curve refuses.
  const auto shortLine = StraightAlongX(0.01);
  CameraPath path(*shortLine, 1.5, 30);
  ASSERT_EQ(path.start(), eOk);
  ASSERT_TRUE(path.hasFrame());
  TrackCamera camera;
  EXPECT_NE(path.camera(camera), eOk);
}

// Which objects of a drawing may be picked as a trajectory.
TEST(TrajectoryFilter, OnlyTwoDPolylinesLightweightPolylinesAndSplines) {
  // One entity of each kind a drawing can hold, by handle.
  const OdDbDatabasePtr db = OdDbDatabase::createObject();
  const OdDbEntityPtr kinds[] = {OdDbLine::createObject(),       OdDbArc::createObject(),
                                 OdDbCircle::createObject(),     OdDbPolyline::createObject(),
                                 OdDb2dPolyline::createObject(), OdDb3dPolyline::createObject(),
                                 OdDbSpline::createObject()};
  for (unsigned i = 0; i < std::size(kinds); ++i) db->addEntity(kinds[i].get(), OdDbHandle(0x10 + i));
  const std::map<unsigned, bool> expected = {{0x10, false}, {0x11, false}, {0x12, false}, {0x13, true},
                                             {0x14, true},  {0x15, false}, {0x16, true}};
  SelectTrajectoryTracker tracker;
  for (const auto& [handle, selectable] : expected) {
    const OdDbObjectId id = db->getOdDbObjectId(OdDbHandle(handle));
    ASSERT_FALSE(id.isNull()) << std::hex << handle;
    EXPECT_EQ(tracker.isSelectable(id), selectable) << std::hex << handle;
  }
  // Erased or missing objects are refused; an object that is not an entity
  // is the caller's error.
  EXPECT_FALSE(tracker.isSelectable(OdDbObjectId()));
  db->getOdDbObjectId(OdDbHandle(0x13)).openObject(OdDb::kForWrite)->erase(true);
  EXPECT_FALSE(tracker.isSelectable(db->getOdDbObjectId(OdDbHandle(0x13))));
  EXPECT_THROW(tracker.isSelectable(db->activeViewportId()), OdError);
}

// The recording summary's megabytes and hours, minutes and seconds.
TEST(RecordingSummary, MegabytesAreUnitsOf1048576BytesAndTimeSplitsIntoHoursMinutesSeconds) {
  const std::pair<std::int64_t, double> sizes[] = {
      {1048576, 1.0}, {1572864, 1.5}, {5242880, 5.0}, {3000000, 2.8610229}, {524288000, 500.0}, {0, 0.0}, {-1, 0.0}};
  for (const auto& [bytes, megabytes] : sizes) EXPECT_NEAR(SummaryMegabytes(bytes), megabytes, 1e-6) << bytes;
  const std::pair<std::uint32_t, const char*> times[] = {
      {0, "0:0:0 h:m:s"},    {59, "0:0:59 h:m:s"},      {61, "0:1:1 h:m:s"},
      {125, "0:2:5 h:m:s"},  {3600, "1:0:0 h:m:s"},     {3661, "1:1:1 h:m:s"},
      {7322, "2:2:2 h:m:s"}, {86399, "23:59:59 h:m:s"}, {90061, "25:1:1 h:m:s"}};
  for (const auto& [seconds, text] : times) EXPECT_EQ(SummaryTime(seconds).toUtf8(), text) << seconds;
}

}  // namespace
