// What the commands rely on in the drawing database: objects by id, class
// tests, the DWG class table, the viewport table and geometry values.
#include <gtest/gtest.h>

#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbDwgClasses.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"

namespace {

OdDbViewportTablePtr OpenTable(const OdDbDatabasePtr& db, OdDb::OpenMode mode) {
  return odCastOrThrow<OdDbViewportTable>(db->getViewportTableId().openObject(mode));
}

}  // namespace

TEST(Database, OpeningByIdAndErasing) {
  auto db = OdDbDatabase::createObject();
  auto line = OdDbLine::createObject();
  EXPECT_EQ(line->erase(true), eNotApplicable);  // not in a database yet
  const OdDbObjectId id = db->addEntity(line.get());
  ASSERT_FALSE(id.isNull());
  EXPECT_EQ(id.database(), db.get());
  EXPECT_EQ(line->ownerId(), db->getModelSpaceId());
  EXPECT_EQ(db->getOdDbObjectId(id.getHandle()), id);
  EXPECT_TRUE(db->addEntity(line.get()).isNull());  // already added

  OdDbObjectPtr opened = id.openObject(OdDb::kForWrite);
  EXPECT_EQ(opened.get(), line.get());
  EXPECT_EQ(opened->openMode(), OdDb::kForWrite);
  EXPECT_EQ(line->erase(true), eOk);
  EXPECT_TRUE(id.isErased());
  EXPECT_TRUE(id.openObject(OdDb::kForRead).isNull());
  OdDbObjectPtr again;
  EXPECT_EQ(id.openObject(again, OdDb::kForRead), eWasErased);
  EXPECT_FALSE(id.openObject(OdDb::kForRead, true).isNull());
  EXPECT_EQ(line->erase(false), eOk);
  EXPECT_FALSE(id.openObject().isNull());
  EXPECT_TRUE(OdDbObjectId().openObject().isNull());

  // A handle from a file is kept when free, replaced when taken.
  auto other = OdDbLine::createObject();
  EXPECT_EQ(db->addEntity(other.get(), OdDbHandle(0x400)).getHandle().value(), 0x400u);
  auto clash = OdDbLine::createObject();
  EXPECT_NE(db->addEntity(clash.get(), OdDbHandle(0x400)).getHandle().value(), 0x400u);
  EXPECT_EQ(OdDbHandle(0x2AF).ascii(), OdString(u"2AF"));
}

TEST(Database, ClassTestsAndTheDwgClassTable) {
  auto spline = OdDbSpline::createObject();
  EXPECT_TRUE(spline->isKindOf(OdDbCurve::desc()));
  EXPECT_TRUE(spline->isKindOf(OdDbEntity::desc()));
  EXPECT_FALSE(spline->isKindOf(OdDbLine::desc()));
  EXPECT_EQ(spline->isA(), OdDbSpline::desc());

  const OdRxClass* accepted[] = {g_odDbRegistredDwgClasses[15], g_odDbRegistredDwgClasses[77],
                                 g_odDbRegistredDwgClasses[36]};
  EXPECT_EQ(accepted[0], OdDb2dPolyline::desc());
  EXPECT_EQ(accepted[1], OdDbPolyline::desc());
  EXPECT_EQ(accepted[2], OdDbSpline::desc());
  EXPECT_EQ(g_odDbRegistredDwgClasses[19], OdDbLine::desc());
  EXPECT_EQ(g_odDbRegistredDwgClasses[16], OdDb3dPolyline::desc());
  for (const OdRxClass* cls : accepted) {
    EXPECT_FALSE(OdDbLine::desc()->isDerivedFrom(cls));
    EXPECT_FALSE(OdDb3dPolyline::desc()->isDerivedFrom(cls));
  }

  // An object of another class where an entity is wanted.
  auto db = OdDbDatabase::createObject();
  OdDbObjectPtr table = db->getViewportTableId().openObject();
  EXPECT_THROW(odCastOrThrow<OdDbEntity>(table), OdError_NotThatKindOfClass);
  try {
    odCastOrThrow<OdDbCurve>(table);
  } catch (const OdError& error) {
    EXPECT_EQ(error.code(), eNotThatKindOfClass);
    EXPECT_NE(std::string(error.what()).find("OdDbViewportTable"), std::string::npos);
  }
  EXPECT_THROW(spline->copyFrom(table.get()), OdError_NotThatKindOfClass);

  // Smart pointers convert like the SDK's: up always, down after a class test.
  OdDbObjectPtr asObject = spline;
  EXPECT_EQ(asObject.get(), spline.get());
  OdDbCurvePtr asCurve = asObject;
  EXPECT_EQ(asCurve.get(), spline.get());
  EXPECT_EQ(spline->numRefs(), 3);
  EXPECT_THROW(OdDbEntityPtr{table}, OdError_NotThatKindOfClass);
  EXPECT_TRUE(OdDbEntityPtr(OdDbObjectPtr()).isNull());
}

// The viewport table as the four-view screenshot's single viewport uses it
// is tested with the command itself (tests/screenshots).
TEST(ViewportTable, LookupSkipsErasedRecordsUnlessAsked) {
  auto db = OdDbDatabase::createObject();
  auto table = OpenTable(db, OdDb::kForWrite);
  const OdDbObjectId only = table->getActiveViewportId();
  ASSERT_FALSE(only.isNull());
  auto record = table->getAt(viewportActiveNameStr, OdDb::kForWrite);
  ASSERT_TRUE(record);
  record->erase(true);
  EXPECT_FALSE(table->getAt(viewportActiveNameStr, OdDb::kForWrite));
  EXPECT_TRUE(table->getAt(viewportActiveNameStr, OdDb::kForRead, true));
  EXPECT_TRUE(table->getActiveViewportId().isNull());
  EXPECT_TRUE(db->activeViewportId().isNull());
}

TEST(Geometry, NormaliseMatricesAndExtents) {
  OdGeVector3d v(3, 0, 4);
  v.normalize(OdGeContext::gTol);
  EXPECT_DOUBLE_EQ(v.length(), 1.0);
  OdGeVector3d zero;
  OdGe::ErrorCondition flag;
  zero.normalize(OdGeContext::gTol, flag);
  EXPECT_EQ(flag, OdGe::k0This);
  EXPECT_EQ(zero, OdGeVector3d());

  // A frame at (1, 2, 3) turned a quarter about Z.
  const OdGeMatrix3d m = OdGeMatrix3d::alignCoordSys(OdGePoint3d(1, 2, 3), OdGeVector3d(0, 1, 0), OdGeVector3d(-1, 0, 0),
                                                     OdGeVector3d(0, 0, 1), OdGePoint3d::kOrigin, OdGeVector3d::kXAxis,
                                                     OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
  const OdGePoint3d p = m * OdGePoint3d(1, 3, 3);  // one along the frame's X
  EXPECT_NEAR(p.x, 1, 1e-12);
  EXPECT_NEAR(p.y, 0, 1e-12);
  EXPECT_NEAR(p.z, 0, 1e-12);
  EXPECT_TRUE((m * m.inverse()).isEqualTo(OdGeMatrix3d::kIdentity));

  // The four-view frame has a zero Z axis: singular; inverting leaves the
  // matrix as it was.
  const OdGeMatrix3d flat = OdGeMatrix3d::alignCoordSys(OdGePoint3d(5, 5, 5), OdGeVector3d(-1, 1, 0), OdGeVector3d(0, 0, 1),
                                                        OdGeVector3d(), OdGePoint3d::kOrigin, OdGeVector3d::kXAxis,
                                                        OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
  EXPECT_TRUE(flat.isSingular());
  OdGeMatrix3d inv;
  inv.setToIdentity();
  OdGeMatrix3d copy = flat;
  EXPECT_FALSE(copy.invert());
  EXPECT_TRUE(copy.isEqualTo(flat));
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_TRUE(std::isfinite(flat.entry[r][c]));

  OdGeExtents3d e;
  EXPECT_FALSE(e.isValidExtents());
  EXPECT_EQ(e.minPoint(), OdGePoint3d(1e20, 1e20, 1e20));
  e.addExt(OdGeExtents3d(OdGePoint3d(0, 0, 0), OdGePoint3d(10, 10, 10)));
  EXPECT_EQ(e.center(), OdGePoint3d(5, 5, 5));
  e.addExt(OdGeExtents3d());  // an empty box changes nothing
  EXPECT_EQ(e.maxPoint(), OdGePoint3d(10, 10, 10));
}
