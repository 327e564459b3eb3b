// Which objects of a drawing may be picked as a trajectory.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbDxfReader.h"
#include "sdk/OdError.h"
#include "track/TrajectorySelection.h"

namespace {

std::string Pairs(std::initializer_list<std::pair<int, std::string>> pairs) {
  std::string out;
  for (const auto& [code, value] : pairs) out += std::to_string(code) + "\n" + value + "\n";
  return out;
}

// One entity of each kind the drawing can hold, by handle.
OdDbDatabasePtr Drawing() {
  const std::string entities =
      Pairs({{0, "LINE"}, {5, "10"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}}) +
      Pairs({{0, "ARC"}, {5, "11"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "0"}, {51, "90"}}) +
      Pairs({{0, "CIRCLE"}, {5, "12"}, {10, "0"}, {20, "0"}, {40, "1"}}) +
      Pairs({{0, "LWPOLYLINE"}, {5, "13"}, {90, "2"}, {70, "0"}, {10, "0"}, {20, "0"}, {10, "2"}, {20, "0"}}) +
      Pairs({{0, "POLYLINE"}, {5, "14"}, {66, "1"}, {70, "0"}, {0, "VERTEX"}, {10, "0"}, {20, "0"},
             {0, "VERTEX"}, {10, "3"}, {20, "0"}, {0, "SEQEND"}}) +
      Pairs({{0, "POLYLINE"}, {5, "15"}, {66, "1"}, {70, "8"}, {0, "VERTEX"}, {70, "32"}, {10, "0"}, {20, "0"},
             {30, "0"}, {0, "VERTEX"}, {70, "32"}, {10, "3"}, {20, "0"}, {30, "1"}, {0, "SEQEND"}}) +
      Pairs({{0, "SPLINE"}, {5, "16"}, {71, "3"}, {74, "3"}, {11, "0"}, {21, "0"}, {11, "1"}, {21, "1"}, {11, "2"},
             {21, "0"}});
  const std::string text = Pairs({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {0, "ENDSEC"}}) +
                           Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + entities + Pairs({{0, "ENDSEC"}, {0, "EOF"}});
  OdDbDatabasePtr db;
  std::string message;
  EXPECT_EQ(odDbReadDxfText(text.data(), text.size(), db, message), eOk) << message;
  return db;
}

}  // namespace

TEST(TrajectoryFilter, OnlyTwoDPolylinesLightweightPolylinesAndSplines) {
  const OdDbDatabasePtr db = Drawing();
  ASSERT_FALSE(db.isNull());
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
