// What the commands rely on in the drawing database: objects by id, class
// tests and the viewport table.
#include <gtest/gtest.h>

#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"

TEST(Database, OpeningByIdAndErasing) {
  auto db = OdDbDatabase::createObject();
  auto line = OdDbLine::createObject();
  EXPECT_EQ(line->erase(true), eNotApplicable);  // not in a database yet
  const OdDbObjectId id = db->addEntity(line.get());
  ASSERT_FALSE(id.isNull());
  EXPECT_EQ(line->ownerId(), db->getModelSpaceId());
  EXPECT_EQ(db->getOdDbObjectId(id.getHandle()), id);
  EXPECT_TRUE(db->addEntity(line.get()).isNull());  // already added
  EXPECT_EQ(id.openObject(OdDb::kForWrite).get(), line.get());
  EXPECT_EQ(line->erase(true), eOk);
  EXPECT_TRUE(id.openObject(OdDb::kForRead).isNull());
  OdDbObjectPtr again;
  EXPECT_EQ(id.openObject(again, OdDb::kForRead), eWasErased);
  EXPECT_FALSE(id.openObject(OdDb::kForRead, true).isNull());
  EXPECT_EQ(line->erase(false), eOk);
  EXPECT_FALSE(id.openObject().isNull());
  EXPECT_TRUE(OdDbObjectId().openObject().isNull());
  // A handle from a file is kept when free, replaced when taken.
  auto other = OdDbLine::createObject(), clash = OdDbLine::createObject();
  EXPECT_EQ(db->addEntity(other.get(), OdDbHandle(0x400)).getHandle().value(), 0x400u);
  EXPECT_NE(db->addEntity(clash.get(), OdDbHandle(0x400)).getHandle().value(), 0x400u);

  // The viewport table's lookup passes erased records over unless asked.
  auto table = odCastOrThrow<OdDbViewportTable>(db->getViewportTableId().openObject(OdDb::kForWrite));
  ASSERT_FALSE(table->getActiveViewportId().isNull());
  auto record = table->getAt(viewportActiveNameStr, OdDb::kForWrite);
  ASSERT_TRUE(record);
  record->erase(true);
  EXPECT_FALSE(table->getAt(viewportActiveNameStr, OdDb::kForWrite));
  EXPECT_TRUE(table->getAt(viewportActiveNameStr, OdDb::kForRead, true));
  EXPECT_TRUE(table->getActiveViewportId().isNull());
  EXPECT_TRUE(db->activeViewportId().isNull());
}

// Class tests; the DWG class table is checked through the trajectory filter
// in tests/track.
TEST(Database, ClassTests) {
  auto spline = OdDbSpline::createObject();
  EXPECT_TRUE(spline->isKindOf(OdDbCurve::desc()));
  EXPECT_FALSE(spline->isKindOf(OdDbLine::desc()));

  // An object of another class where an entity is wanted.
  auto db = OdDbDatabase::createObject();
  OdDbObjectPtr table2 = db->getViewportTableId().openObject();
  EXPECT_THROW(odCastOrThrow<OdDbEntity>(table2), OdError_NotThatKindOfClass);
  try {
    odCastOrThrow<OdDbCurve>(table2);
    ADD_FAILURE() << "not thrown";
  } catch (const OdError& error) {
    EXPECT_EQ(error.code(), eNotThatKindOfClass);
    EXPECT_NE(std::string(error.what()).find("OdDbViewportTable"), std::string::npos);
  }
  // Smart pointers convert like the SDK's: up always, down after a class test.
  OdDbObjectPtr asObject = spline;
  OdDbCurvePtr asCurve = asObject;
  EXPECT_EQ(asCurve.get(), spline.get());
  EXPECT_EQ(spline->numRefs(), 3);
  EXPECT_THROW(OdDbEntityPtr{table2}, OdError_NotThatKindOfClass);
  EXPECT_TRUE(OdDbEntityPtr(OdDbObjectPtr()).isNull());
}
