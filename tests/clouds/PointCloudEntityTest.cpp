// The point-cloud entity as the module uses it (information, per-viewport display
// settings as drawn, snapshots as DIB images, XPC geometry helpers, isolation),
// and the selection contract: the filter is asked about every candidate and a
// refusal honoured, a cancel leaves the set, the set holds the picks.
#include <gtest/gtest.h>

#include <cmath>

#include "InProcessHost.h"
#include "host/HostDIBRasterImage.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/Isolation.h"
#include "host/XPC.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/OdGsDevice.h"

namespace {

constexpr OdGiRgb kBackground = 0x102030;

struct Scene {
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  OdGsDevicePtr device = OdGsDevice::createObject(db.get());
  hostDbPointCloudInsertionPtr cloud = hostDbPointCloudInsertion::createObject();
  OdDbHandle viewport = db->activeViewportId().getHandle();

  Scene(std::vector<float> xyz, std::vector<float> normals = {}, std::vector<std::uint32_t> colors = {}) {
    auto data = std::make_shared<host::PointCloudData>();
    data->xyz = std::move(xyz);
    data->normals = std::move(normals);
    data->colors = std::move(colors);
    cloud->setPoints(std::move(data));
    cloud->setColor(0xFFFFFF);
    db->addEntity(cloud.get());
    device->setBackgroundColor(kBackground);
    // Looking down Z at the origin, 10 pixels per unit on 100 x 100 pixels.
    device->viewAt(0)->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 10, 10);
  }
  OdGiRasterImagePtr snapshot() {
    OdGsDCRect rect;
    rect.m_max = {100, 100};
    OdGiRasterImagePtr image;
    device->getSnapShot(image, rect);
    return image;
  }
  // Pixels not in the background colour, and their colours sorted.
  std::vector<std::pair<int, int>> pixels;
  std::vector<OdGiRgb> drawn() {
    OdGiRasterImagePtr image = snapshot();
    std::vector<OdGiRgb> colours;
    pixels.clear();
    for (OdUInt32 y = 0; y < image->pixelHeight(); ++y)
      for (OdUInt32 x = 0; x < image->pixelWidth(); ++x)
        if (const OdGiRgb c = image->pixelAt(x, y) & 0xFFFFFF; c != kBackground) {
          colours.push_back(c);
          pixels.push_back({static_cast<int>(x), static_cast<int>(y)});
        }
    std::sort(colours.begin(), colours.end());
    return colours;
  }
  void set(OdUInt16 size, bool byNormals, const OdDbHandle& handle) {
    XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(handle);
    params->setPointSize(size);
    if (byNormals) params->setColoringParams(XPC::ColoringByNormals());
    else params->setColoringParams(XPC::ColoringByOwnColors());
    ASSERT_TRUE(cloud->setVisualizationParamsSetToViewport(params.get(), handle));
  }
};

TEST(CloudInfo, ExtentsAndTheNormalDataFlag) {
  Scene withNormals({0, 0, 0, 10, -2, 4}, {0, 0, 1, 1, 0, 0});
  XPC::InsertionPointCloudInfoPtr info = withNormals.cloud->getCloudInfo();
  EXPECT_EQ(info->getExtents().minPoint(), OdGePoint3d(0, -2, 0));
  EXPECT_EQ(info->getExtents().maxPoint(), OdGePoint3d(10, 0, 4));
  EXPECT_TRUE(info->isDataValid(XPC::kNormalData));
  EXPECT_FALSE(info->isDataValid(XPC::kNormalData | XPC::kColorData));
  Scene without({1, 1, 1});
  EXPECT_FALSE(without.cloud->createVisualizationParamsSet()->getCloudInfo()->isDataValid(XPC::kNormalData));
}

TEST(CloudDisplay, PointSizeAndColouringOfTheActiveViewportReachTheRenderer) {
  Scene scene({0.05f, 0.05f, 0});
  EXPECT_EQ(scene.drawn(), std::vector<OdGiRgb>{0xFFFFFF});  // no colours of its own: the entity's
  const auto one = scene.pixels[0];
  scene.set(2, false, scene.viewport);
  EXPECT_EQ(scene.drawn().size(), 4u);
  EXPECT_NE(std::find(scene.pixels.begin(), scene.pixels.end(), one), scene.pixels.end());
  // Settings of another viewport do not change what the active one shows.
  scene.set(5, false, OdDbHandle(0x7777));
  EXPECT_EQ(scene.drawn().size(), 4u);
  EXPECT_EQ(scene.cloud->createVisualizationParamsSetFrom(scene.viewport)->pointSize(), 2);
  // The snapshot is a DIB image whose DC a frame is blitted from; the point
  // lands on pixel (51, 49), the one halving samples for (25, 24).
  Scene dot({0.15f, 0.05f, 0});
  OdGiRasterImagePtr image = dot.snapshot();
  HostDIBRasterImage* dib = HostDIBRasterImage::cast(image.get());
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->pixelWidth(), 100u);
  HostDIBRasterImage half(nullptr, 50, 50, 32, nullptr);
  SetStretchBltMode(half.getDC(), COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(half.getDC(), 0, 0, 50, 50, dib->getDC(), 0, 0, 100, 100, SRCCOPY));
  EXPECT_EQ(half.pixelAt(25, 24) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(half.pixelAt(0, 0) & 0xFFFFFF, kBackground);

  // Normals along +Z and -X draw (128, 128, 255) and (0, 128, 128); without
  // normals a cloud keeps its own colours.
  Scene coloured({-2, 0, 0, 2, 0, 0}, {0, 0, 1, -1, 0, 0}, {0x00FF00, 0x0000FF});
  EXPECT_EQ(coloured.drawn(), (std::vector<OdGiRgb>{0x0000FF, 0x00FF00}));
  coloured.set(1, true, coloured.viewport);
  EXPECT_EQ(coloured.drawn(), (std::vector<OdGiRgb>{0x008080, 0x8080FF}));
  coloured.set(1, false, coloured.viewport);
  EXPECT_EQ(coloured.drawn(), (std::vector<OdGiRgb>{0x0000FF, 0x00FF00}));
  Scene plain({0, 0, 0}, {}, {0x123456});
  plain.set(1, true, plain.viewport);
  EXPECT_EQ(plain.drawn(), std::vector<OdGiRgb>{0x123456});
}

TEST(CloudIsolation, HidingAndShowingInTheRenderedView) {
  Scene scene({0, 0, 0});
  const std::uint64_t undo = scene.db->undoRecordCount();
  EXPECT_TRUE(setEntityInvisibleByIsolation(scene.cloud.get(), nullptr));
  EXPECT_TRUE(isEntityHiddenByIsolation(scene.cloud->objectId()));
  EXPECT_TRUE(scene.drawn().empty());
  EXPECT_TRUE(setEntityVisibleByIsolation(scene.cloud.get(), nullptr));
  EXPECT_EQ(scene.drawn().size(), 1u);
  EXPECT_FALSE(setEntityVisibleByIsolation(scene.cloud.get(), nullptr));  // it was not hidden
  EXPECT_EQ(scene.db->undoRecordCount(), undo);
  // An entity the user made invisible stays invisible after a show.
  scene.cloud->setVisibility(OdDb::kInvisible);
  EXPECT_FALSE(setEntityInvisibleByIsolation(scene.cloud.get(), nullptr));
  EXPECT_FALSE(setEntityVisibleByIsolation(scene.cloud.get(), nullptr));
  EXPECT_EQ(scene.cloud->visibility(), OdDb::kInvisible);
}

TEST(XpcGeometry, BoundingRectangleAndViewportCount) {
  const OdGeExtents3d box(OdGePoint3d(0, 0, 0), OdGePoint3d(10, 4, 2));
  std::pair<OdGePoint2d, OdGePoint2d> r{OdGePoint2d(0, 0), OdGePoint2d(0, 0)};
  // The view matrix of the four-view design: its "from" Z axis is zero, the
  // matrix is singular, invertMatrix leaves the identity and the rectangle
  // is the box's own XY rectangle.
  const OdGeMatrix3d m = OdGeMatrix3d::alignCoordSys(OdGePoint3d(5, 2, 1), OdGeVector3d(-1, 1, 0),
                                                     OdGeVector3d(0, 0, 1), OdGeVector3d(0, 0, 0), OdGePoint3d(0, 0, 0),
                                                     OdGeVector3d::kXAxis, OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
  OdGeMatrix3d inv;
  EXPECT_FALSE(HostGeUtils::invertMatrix(m, inv));
  EXPECT_TRUE(inv.isEqualTo(OdGeMatrix3d::kIdentity));
  ASSERT_TRUE(XPC::computeBoundingRectangle(box, inv, r));
  EXPECT_EQ(r.first, OdGePoint2d(0, 0));
  EXPECT_EQ(r.second, OdGePoint2d(10, 4));
  // "From" axes turned 90 degrees about Z: world (x, y) lands at (y, -x).
  OdGeMatrix3d turn = OdGeMatrix3d::alignCoordSys(OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), OdGeVector3d(-1, 0, 0),
                                                  OdGeVector3d(0, 0, 1), OdGePoint3d(0, 0, 0), OdGeVector3d::kXAxis,
                                                  OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
  ASSERT_TRUE(HostGeUtils::invertMatrix(turn, inv));
  EXPECT_TRUE((turn * inv).isEqualTo(OdGeMatrix3d::kIdentity, 1e-12));
  ASSERT_TRUE(XPC::computeBoundingRectangle(box, turn, r));
  EXPECT_TRUE(r.first.isEqualTo(OdGePoint2d(0, -10)) && r.second.isEqualTo(OdGePoint2d(4, 0)));
  EXPECT_FALSE(XPC::computeBoundingRectangle(OdGeExtents3d(), turn, r));  // empty extents

  // The viewport count is that of the active configuration.
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  OdDbViewportTablePtr table(OdDbViewportTable::cast(db->getViewportTableId().openObject(OdDb::kForWrite).get()));
  auto second = OdDbViewportTableRecord::createObject();
  second->setName(u"*ACTIVE");
  table->add(second.get());
  auto other = OdDbViewportTableRecord::createObject();
  other->setName(u"Saved");
  table->add(other.get());
  int count = -1;
  ASSERT_TRUE(XPC::getCountViewports(db.get(), count));
  EXPECT_EQ(count, 2);
  second->erase();
  ASSERT_TRUE(XPC::getCountViewports(db.get(), count));
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(XPC::getCountViewports(nullptr, count));
}

// Splines only, as a trajectory pick asks; counts the calls it gets.
class SplineTracker final : public HostEdSSetTracker {
 public:
  int asked = 0, released = 0, added = 0, starts = 0, ends = 0;
  bool onStart() override { return ++starts, true; }
  bool isSelectable(const OdDbObjectId& id) override {
    ++asked;
    return OdDbSpline::cast(id.openObject(OdDb::kForRead).get()) != nullptr;
  }
  bool onAdded(const OdDbObjectId&) override { return ++added, true; }
  bool onEnd() override { return ++ends, true; }
  void releaseObject(OdDbObjectPtr& object) override {
    ++released;
    object.release();
  }
};

// A filter that throws for objects that are not entities, as a module's
// class test does.
class ThrowingTracker final : public HostEdSSetTracker {
 public:
  bool isSelectable(const OdDbObjectId& id) override {
    odCastOrThrow<OdDbEntity>(id.openObject(OdDb::kForRead));
    return true;
  }
};

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document = host::Application::instance().openDocument(u"Selection");
    document->setDatabase(db.get());
    host::InstallSelectionInput(*document);
    lineId = db->addEntity(OdDbLine::createObject().get(), OdDbHandle(0x2A));
    splineId = db->addEntity(OdDbSpline::createObject().get(), OdDbHandle(0x2B));
    spline2Id = db->addEntity(OdDbSpline::createObject().get(), OdDbHandle(0x2C));
    cloudId = db->addEntity(hostDbPointCloudInsertion::createObject().get(), OdDbHandle(0x40));
  }
  void TearDown() override { host::Application::instance().closeDocument(); }
  int select(hostSelectionSetPtr& set, HostEdSSetTracker* tracker, std::u16string answer, int options = 0x3000) {
    Answer(answer);
    return document->selectionInput()->select(set, 0, u"Select trajectory", 0, options, 0, 0, 0, tracker);
  }
  using Ids = std::vector<OdDbObjectId>;

  // The next prompt's answer; "^C" cancels it.
  void Answer(const std::u16string& text) { console.answer(text == u"^C" ? kHostPromptCancel : kHostPromptOk, text); }
  pcvr_test::ScriptedConsole console;
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  host::Document* document = nullptr;
  OdDbObjectId lineId, splineId, spline2Id, cloudId;
};

TEST_F(SelectionTest, TheFilterIsAskedForEveryCandidateAndARefusalIsHonoured) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  SplineTracker tracker;
  EXPECT_EQ(select(set, &tracker, u"handle 2A 2B 99"), kHostPromptOk);
  EXPECT_EQ(console.prompts, std::vector<std::u16string>{u"Select trajectory"});
  // The line and the spline are asked about; 99 names nothing.
  EXPECT_EQ(std::vector<int>({tracker.asked, tracker.released, tracker.added, tracker.starts, tracker.ends}),
            std::vector<int>({2, 2, 1, 1, 1}));
  EXPECT_EQ(set->objectIdArray(), Ids{splineId});
  EXPECT_EQ(console.messages.back(), u"1 found, 1 cannot be picked here.");
  // By kind: the first accepted, or all; a kind the filter refuses picks nothing.
  EXPECT_EQ(select(set, &tracker, u"kind spline"), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), Ids{splineId});
  EXPECT_EQ(select(set, &tracker, u"KIND SPLINE all"), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), (Ids{splineId, spline2Id}));
  EXPECT_EQ(select(set, &tracker, u"kind LINE", kHostSelectReplace), kHostPromptOk);
  EXPECT_EQ(set->numEntities(), 0u);
  EXPECT_EQ(console.messages.back(), u"0 found.");
  // A filter that throws refuses that object (handle 1 is the model-space
  // record, not an entity).
  ThrowingTracker throwing;
  hostSelectionSetPtr fresh;  // a null set is made for the pick
  EXPECT_EQ(select(fresh, &throwing, u"handle 1 2A"), kHostPromptOk);
  EXPECT_EQ(fresh->objectIdArray(), Ids{lineId});
}

TEST_F(SelectionTest, CancelAndTheEndOfAScriptLeaveTheSet) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  ASSERT_TRUE(set->append(spline2Id));
  SplineTracker tracker;
  EXPECT_EQ(select(set, &tracker, u"^C"), kHostPromptCancel);
  EXPECT_EQ(set->objectIdArray(), Ids{spline2Id});
  EXPECT_EQ(tracker.ends, 1);
  // The script ended: not a pick either.
  EXPECT_EQ(document->selectionInput()->select(set, 0, u"", 0, 0x3000, 0, 0, 0, &tracker), kHostPromptNoInput);
  EXPECT_EQ(set->objectIdArray(), Ids{spline2Id});
}

TEST_F(SelectionTest, TheOptionsATrajectoryPickUsesAndTheCurrentSet) {
  HostSelectionInput* input = document->selectionInput();
  hostSelectionSetPtr set = input->currentSelectionSet();
  ASSERT_FALSE(set.isNull());
  EXPECT_EQ(set->numEntities(), 0u);
  EXPECT_EQ(set->database(), db.get());
  set->append(lineId);
  set->append(spline2Id);
  SplineTracker tracker;
  // With the filter bit, held objects the filter refuses are dropped.
  ASSERT_EQ(select(set, &tracker, u"", kHostSelectFilterHeld), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), Ids{spline2Id});
  // With the replace bit only what is picked now is held.
  ASSERT_EQ(select(set, &tracker, u"handle 2B", kHostSelectReplace), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), Ids{splineId});
  hostSelectionSetPtr empty = hostSelectionSet::createObject(db.get());
  input->replaceCurrentSelectionSet(empty.get());
  EXPECT_EQ(input->currentSelectionSet().get(), empty.get());
}

TEST_F(SelectionTest, PointCloudSingleSelectTakesOneCloudOnly) {
  OdDbObjectId id;
  Answer(u"handle 2B");
  EXPECT_FALSE(XPC::PointCloudSingleSelect(id, nullptr));
  EXPECT_TRUE(id.isNull());
  Answer(u"kind POINTCLOUD");
  EXPECT_TRUE(XPC::PointCloudSingleSelect(id, nullptr));
  EXPECT_EQ(id, cloudId);
  EXPECT_EQ(console.prompts.back(), u"Select point cloud");
  Answer(u"^C");
  EXPECT_FALSE(XPC::PointCloudSingleSelect(id, document));
  EXPECT_TRUE(id.isNull());
}

}  // namespace
