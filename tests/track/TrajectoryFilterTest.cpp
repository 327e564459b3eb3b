// Which objects of a drawing may be picked as a trajectory.
#include <gtest/gtest.h>

#include <map>

#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdError.h"
#include "track/TrajectorySelection.h"

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
