// The point-cloud entity as the module uses it: information, per-viewport display
// settings as drawn, snapshots as DIB images, XPC geometry helpers, isolation.
#include <gtest/gtest.h>

#include <cmath>

#include "host/HostDIBRasterImage.h"
#include "host/Isolation.h"
#include "host/XPC.h"
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
  const OdGeMatrix3d m = OdGeMatrix3d::alignCoordSys(OdGePoint3d(5, 2, 1), OdGeVector3d(-1, 1, 0), OdGeVector3d(0, 0, 1),
                                                     OdGeVector3d(0, 0, 0), OdGePoint3d(0, 0, 0), OdGeVector3d::kXAxis,
                                                     OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
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

}  // namespace
