// What the four-view screenshot does to the drawing before it grabs, on the real
// host library and SDK objects; only the view manager is the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <vector>

#include "InProcessHost.h"
#include "host/DrawingViewManager.h"
#include "screenshots/FourViewCameras.h"
#include "screenshots/SingleViewport.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/OdGsDevice.h"

namespace {

class CountingViewManager final : public HostViewManager {
 public:
  explicit CountingViewManager(OdDbDatabase* database) : m_device(OdGsDevice::createObject(database)) {}
  OdGsView* activeView() override { return m_device->viewAt(0); }
  void refreshView(OdGsView* view, int flags) override { refreshes.push_back({view, flags}); }
  std::vector<std::pair<OdGsView*, int>> refreshes;

 private:
  OdGsDevicePtr m_device;
};

class FourViewSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    m_document = pcvr_test::EnsureDocument();
    m_document->setDatabase(m_db.get());
    m_document->setViewManager(&m_views);
    host::Application::instance().setShowView([this] { ++m_shown; });
  }
  void TearDown() override {
    host::Application::instance().setShowView(nullptr);
    m_document->setViewManager(nullptr);
    m_document->setDatabase(nullptr);
  }
  OdDbViewportTablePtr Table(OdDb::OpenMode mode = OdDb::kForRead) {
    return odCastOrThrow<OdDbViewportTable>(m_db->getViewportTableId().openObject(mode));
  }
  // The live records named "*Active", in table order.
  std::vector<OdDbViewportTableRecordPtr> ActiveTiles() {
    std::vector<OdDbViewportTableRecordPtr> tiles;
    for (const OdDbObjectId& id : Table()->recordIds()) {
      auto record = odCastOrThrow<OdDbViewportTableRecord>(id.openObject(OdDb::kForRead));
      if (record && record->getName() == OdString(viewportActiveNameStr)) tiles.push_back(record);
    }
    return tiles;
  }
  OdDbViewportTableRecordPtr ActiveForWrite() {
    return odCastOrThrow<OdDbViewportTableRecord>(m_db->activeViewportId().openObject(OdDb::kForWrite));
  }
  hostDbPointCloudInsertionPtr AddCloud(std::vector<float> xyz, bool withNormals) {
    auto data = std::make_shared<host::PointCloudData>();
    data->xyz = std::move(xyz);
    if (withNormals) data->normals.assign(data->xyz.size(), 0.5f);
    hostDbPointCloudInsertionPtr cloud = hostDbPointCloudInsertion::createObject();
    cloud->setPoints(std::move(data));
    m_db->addEntity(cloud.get());
    return cloud;
  }
  OdGsView& View() { return *m_views.activeView(); }

  OdDbDatabasePtr m_db = OdDbDatabase::createObject();
  CountingViewManager m_views{m_db.get()};
  host::Document* m_document = nullptr;
  pcvr_test::ScriptedConsole m_console;
  int m_shown = 0;
};

TEST_F(FourViewSetup, FourTilesOrOneBecomeOneCopyOfTheActiveTile) {
  {
    auto table = Table(OdDb::kForWrite);
    ActiveForWrite()->erase(true);
    const double corners[5][4] = {{0, .5, .5, 1}, {.5, .5, 1, 1}, {0, 0, 1, 1}, {0, 0, .5, .5}, {.5, 0, 1, .5}};
    for (int i = 0; i < 5; ++i) {
      auto record = OdDbViewportTableRecord::createObject();
      // The first tile is the active one; a saved configuration stays apart.
      record->setName(i == 2 ? u"Saved" : viewportActiveNameStr);
      record->setLowerLeftCorner(OdGePoint2d(corners[i][0], corners[i][1]));
      record->setUpperRightCorner(OdGePoint2d(corners[i][2], corners[i][3]));
      record->setTarget(OdGePoint3d(i + 1, 0, 0));
      table->add(record.get());
    }
  }
  ASSERT_EQ(ActiveTiles().size(), 4u);
  m_db->disableUndoRecording(true);
  const auto undoBefore = m_db->undoRecordCount();

  SetSingleViewport();

  const auto tiles = ActiveTiles();
  ASSERT_EQ(tiles.size(), 1u);
  EXPECT_EQ(tiles[0]->lowerLeftCorner(), OdGePoint2d(0, 0));
  EXPECT_EQ(tiles[0]->upperRightCorner(), OdGePoint2d(1, 1));
  EXPECT_EQ(tiles[0]->target(), OdGePoint3d(1, 0, 0));
  EXPECT_EQ(m_db->activeViewportId(), tiles[0]->objectId());
  EXPECT_TRUE(Table()->has(OdString(u"Saved")));
  // Only the addition is recorded for undo, and recording is off afterwards.
  EXPECT_EQ(m_db->undoRecordCount(), undoBefore + 1);
  EXPECT_TRUE(m_db->isUndoRecordingDisabled());

  // One viewport is replaced by an equal copy, a second time as the first.
  const OdDbObjectId once = m_db->activeViewportId();
  SetSingleViewport();
  ASSERT_EQ(ActiveTiles().size(), 1u);
  EXPECT_TRUE(once.isErased());
  EXPECT_EQ(ActiveTiles()[0]->target(), OdGePoint3d(1, 0, 0));
  EXPECT_EQ(ActiveTiles()[0]->upperRightCorner(), OdGePoint2d(1, 1));
}

TEST_F(FourViewSetup, CamerasLookAtTheCentreFromTheFourDiagonals) {
  // A tall box 10 x 4 x 30: centre (5, 2, 15). The square field is 1.4
  // times the box as the view sees it, so all of it is in the picture.
  hostDbPointCloudInsertionPtr cloud = AddCloud({0, 0, 0, 10, 4, 30, 3, 1, 2}, true);
  const OdGeVector3d offsets[4] = {{-1, 1, 1}, {1, 1, 1}, {1, -1, 1}, {-1, -1, 1}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    SetFourViewCamera(kFourViews[i], cloud);
    EXPECT_EQ(View().target(), OdGePoint3d(5, 2, 15));
    const OdGeVector3d eye = View().position() - View().target();
    EXPECT_NEAR((eye - offsets[i] * 0.001).length(), 0.0, 1e-12);
    EXPECT_EQ(View().upVector(), OdGeVector3d(0, 0, 1));
    EXPECT_EQ(View().fieldWidth(), View().fieldHeight());
    // The box's corners across the direction of view, as the camera shows it.
    const OdGeVector3d back = eye.normal();
    const OdGeVector3d up = (View().upVector() - back * View().upVector().dotProduct(back)).normal();
    const OdGeVector3d right = up.crossProduct(back);
    double across = 0.0, high = 0.0;
    for (const double x : {0.0, 10.0})
      for (const double y : {0.0, 4.0})
        for (const double z : {0.0, 30.0}) {
          const OdGeVector3d corner = OdGePoint3d(x, y, z) - View().target();
          across = std::max(across, 2 * std::fabs(corner.dotProduct(right)));
          high = std::max(high, 2 * std::fabs(corner.dotProduct(up)));
        }
    EXPECT_NEAR(View().fieldWidth(), 1.4 * std::max(across, high), 1e-9);
    EXPECT_GT(high, 25.0);  // the height counts, not just the footprint
    EXPECT_FALSE(View().isPerspective());
    // Refreshed, then brought onto the screen by host service 12.
    ASSERT_EQ(m_views.refreshes.size(), static_cast<std::size_t>(i + 1));
    EXPECT_EQ(m_views.refreshes.back(), std::make_pair(&View(), 0));
    EXPECT_EQ(m_shown, i + 1);
  }
  EXPECT_TRUE(m_console.messages.empty());
  EXPECT_EQ(cloud->numRefs(), 2);  // the caller's reference was given back
}

TEST_F(FourViewSetup, PerspectiveViewIsLeftAlone) {
  hostDbPointCloudInsertionPtr cloud = AddCloud({0, 0, 0, 10, 10, 10}, true);
  View().setView(OdGePoint3d(50, 0, 0), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 0, 1), 3, 2, OdGsView::kPerspective);
  SetFourViewCamera(kFourViews[0], cloud);
  SetFourViewCamera(kFourViews[1], cloud);
  EXPECT_EQ(m_console.messages, std::vector<std::u16string>(2, u"Perspective Error"));
  EXPECT_EQ(View().position(), OdGePoint3d(50, 0, 0));
  EXPECT_TRUE(m_views.refreshes.empty());
  EXPECT_EQ(m_shown, 0);
}

}  // namespace
