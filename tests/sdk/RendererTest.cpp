// What the commands rely on in the drawing database (objects by id, class
// tests, the viewport table), pixels of small known scenes and snapshots.
#include <gtest/gtest.h>

#include <algorithm>

#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/OdGsDevice.h"
#include "sdk/render/SoftwareRenderer.h"

using odrender::Camera;
using odrender::Frame;
using odrender::Scene;
using odrender::SoftwareRenderer;

namespace {

constexpr std::uint32_t kBackground = 0xFF000000u;
constexpr OdGiRgb kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

Camera TopView(bool perspective) {
  Camera c;
  c.position = OdGePoint3d(0, 0, 10);
  c.target = OdGePoint3d(0, 0, 0);
  c.up = OdGeVector3d(0, 1, 0);
  c.fieldWidth = c.fieldHeight = 10.0;
  c.perspective = perspective;
  return c;
}

void AddPoint(Scene& scene, double x, double y, double z, OdGiRgb color, int size = 1) {
  const float xyz[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  scene.points(xyz, &color, 1, 0, size);
}

std::vector<std::pair<int, int>> PixelsOf(const Frame& f, std::uint32_t color) {
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      if (f.at(x, y) == (0xFF000000u | color)) out.emplace_back(x, y);
  return out;
}

// The horizontal extent in pixels of what is drawn in color.
int WidthOf(const Frame& f, std::uint32_t color) {
  int lo = f.width, hi = -1;
  for (const auto& [x, y] : PixelsOf(f, color)) {
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  return hi >= lo ? hi - lo + 1 : 0;
}

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

}  // namespace

TEST(Renderer, PointsLandWhereTheCameraPutsThem) {
  // One unit right and up in a 10-unit field on 100 pixels is 10 pixels off centre.
  const struct {
    bool perspective;
    double x, y;
    int width, height;
    std::pair<int, int> pixel;
  } table[] = {{false, 0, 0, 101, 81, {50, 40}}, {true, 0, 0, 101, 81, {50, 40}}, {false, 1, 1, 100, 100, {60, 40}}};
  for (const auto& row : table) {
    Scene scene;
    AddPoint(scene, row.x, row.y, 0, kRed);
    Frame frame;
    SoftwareRenderer(2).render(scene, TopView(row.perspective), row.width, row.height, 0, frame);
    EXPECT_EQ(PixelsOf(frame, kRed), (std::vector<std::pair<int, int>>{row.pixel})) << row.x << row.perspective;
    EXPECT_EQ(frame.at(0, 0), kBackground);
  }
}

TEST(Renderer, ParallelKeepsSizesAndPerspectiveShrinksWithDistance) {
  // Two equal horizontal lines, at 5 and 10 units below a camera 10 units up.
  Scene scene;
  const OdGePoint3d near[2] = {{-1, 0, 5}, {1, 0, 5}};
  const OdGePoint3d far[2] = {{-1, 2, 0}, {1, 2, 0}};
  scene.polyline(near, 2, kRed);
  scene.polyline(far, 2, kBlue);
  Frame parallel, perspective;
  SoftwareRenderer(2).render(scene, TopView(false), 200, 200, 0, parallel);
  Camera cam = TopView(true);
  cam.lensLength = 36.0;  // 53 degrees across: the 10-unit field at 10 units fills the width
  SoftwareRenderer(2).render(scene, cam, 200, 200, 0, perspective);
  EXPECT_NEAR(WidthOf(parallel, kRed), 40, 1);
  EXPECT_NEAR(WidthOf(parallel, kBlue), 40, 1);
  const int nearWidth = WidthOf(perspective, kRed), farWidth = WidthOf(perspective, kBlue);
  EXPECT_NEAR(farWidth, 40 * 18.0 / 36.0 * 10.0 / 10.0 * 2, 1);  // focal 200 px: 2 units at 10 -> 40 px
  EXPECT_NEAR(nearWidth, 2 * farWidth, 2);
}

TEST(Renderer, DepthTestKeepsTheNearestWhateverTheOrder) {
  for (bool perspective : {false, true}) {
    for (bool nearFirst : {false, true}) {
      Scene scene;
      if (nearFirst) AddPoint(scene, 0, 0, 3, kRed, 5);
      AddPoint(scene, 0, 0, 0, kBlue, 9);
      if (!nearFirst) AddPoint(scene, 0, 0, 3, kRed, 5);
      Frame frame;
      SoftwareRenderer(3).render(scene, TopView(perspective), 101, 101, 0, frame);
      EXPECT_EQ(PixelsOf(frame, kRed).size(), 25u);         // 5 x 5, all in front
      EXPECT_EQ(PixelsOf(frame, kBlue).size(), 81u - 25u);  // the ring of the 9 x 9 around it
    }
  }
}

TEST(Device, SnapshotDrawsTheVisibleEntitiesOfItsView) {
  auto db = OdDbDatabase::createObject();
  auto line = OdDbLine::createObject();
  line->setStartPoint(OdGePoint3d(-5, 0, 0));
  line->setEndPoint(OdGePoint3d(5, 0, 0));
  line->setColor(kRed);
  db->addEntity(line.get());
  auto above = OdDbLine::createObject();  // a quarter of the field up
  above->setStartPoint(OdGePoint3d(-1, 5, 0));
  above->setEndPoint(OdGePoint3d(1, 5, 0));
  above->setColor(kGreen);
  db->addEntity(above.get());
  auto device = OdGsDevice::createObject(db.get());
  auto flags = OdRxVariant::cast(device->properties()->getAt(u"SnapShotFlags").get());
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags->varType(), OdVariant::kUInt32);
  OdGsView* view = device->viewAt(0);
  view->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 20, 20, OdGsView::kParallel);
  OdGsDCRect rect;
  rect.m_max = {64, 48};
  device->onSize(rect);
  OdGsDCRect size;
  device->getSize(size);
  EXPECT_EQ(std::make_pair(size.width(), size.height()), std::make_pair(64L, 48L));
  OdGsDCRect snap;
  snap.m_max = {101, 51};
  OdGiRasterImagePtr image;
  device->getSnapShot(image, snap);
  ASSERT_TRUE(image);
  EXPECT_EQ(std::make_tuple(image->pixelWidth(), image->pixelHeight(), image->colorDepth()),
            std::make_tuple(101u, 51u, 32u));
  // The field's height fills the 51 rows: the line at the centre lies on row
  // 25, the one 5 units up 12.75 rows above it.
  EXPECT_EQ(image->pixelAt(50, 25), 0xFFFF0000u);
  int greenRow = -1;
  for (OdUInt32 y = 0; y < 51; ++y) greenRow = image->pixelAt(50, y) == 0xFF00FF00u ? static_cast<int>(y) : greenRow;
  EXPECT_NEAR(greenRow, 12.25, 1);
  // Bytes in memory are blue, green, red, alpha.
  const OdUInt8* row = image->scanLines() + 25 * image->scanLineSize() + 50 * 4;
  EXPECT_EQ(row[2], 0xFF);
  EXPECT_EQ(row[0], 0x00);

  // A hidden entity is not drawn; the device notices the change.
  line->setVisibility(OdDb::kInvisible);
  device->getSnapShot(image, snap);
  EXPECT_NE(image->pixelAt(50, 25), 0xFFFF0000u);
  // An empty rectangle takes the device's size.
  device->getSnapShot(image, OdGsDCRect());
  EXPECT_EQ(std::make_pair(image->pixelWidth(), image->pixelHeight()), std::make_pair(64u, 48u));
}
