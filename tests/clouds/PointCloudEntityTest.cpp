// The point-cloud entity in a drawing: cloud information, per-viewport
// display settings as the renderer draws them, the XPC geometry helpers,
// isolation in the rendered view, snapshots as DIB images and normals.
#include <gtest/gtest.h>

#include <cmath>

#include "host/HostDIBRasterImage.h"
#include "host/Isolation.h"
#include "host/PointCloudNormals.h"
#include "host/XPC.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/OdGsDevice.h"

namespace {

constexpr OdGiRgb kBackground = 0x102030;

std::shared_ptr<host::PointCloudData> Cloud(std::vector<float> xyz, std::vector<float> normals = {},
                                            std::vector<std::uint32_t> colors = {}) {
  auto data = std::make_shared<host::PointCloudData>();
  data->xyz = std::move(xyz);
  data->normals = std::move(normals);
  data->colors = std::move(colors);
  return data;
}

struct Scene {
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  OdGsDevicePtr device = OdGsDevice::createObject(db.get());
  hostDbPointCloudInsertionPtr cloud = hostDbPointCloudInsertion::createObject();
  OdDbHandle viewport = db->activeViewportId().getHandle();

  explicit Scene(std::shared_ptr<host::PointCloudData> data) {
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
  // Pixels not in the background colour, with their colour.
  std::vector<std::pair<std::pair<int, int>, OdGiRgb>> drawn() {
    OdGiRasterImagePtr image = snapshot();
    std::vector<std::pair<std::pair<int, int>, OdGiRgb>> out;
    for (OdUInt32 y = 0; y < image->pixelHeight(); ++y)
      for (OdUInt32 x = 0; x < image->pixelWidth(); ++x) {
        const OdGiRgb c = image->pixelAt(x, y) & 0xFFFFFF;
        if (c != kBackground) out.push_back({{static_cast<int>(x), static_cast<int>(y)}, c});
      }
    return out;
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
  Scene withNormals(Cloud({0, 0, 0, 10, -2, 4}, {0, 0, 1, 1, 0, 0}));
  XPC::InsertionPointCloudInfoPtr info = withNormals.cloud->getCloudInfo();
  EXPECT_EQ(info->getExtents().minPoint(), OdGePoint3d(0, -2, 0));
  EXPECT_EQ(info->getExtents().maxPoint(), OdGePoint3d(10, 0, 4));
  EXPECT_TRUE(info->isDataValid(XPC::kNormalData));
  EXPECT_TRUE(info->isDataValid(0x1000));
  EXPECT_FALSE(info->isDataValid(XPC::kColorData));
  EXPECT_FALSE(info->isDataValid(XPC::kNormalData | XPC::kColorData));
  EXPECT_FALSE(info->isDataValid(0x4000));  // a kind the library does not know

  Scene without(Cloud({1, 1, 1}));
  EXPECT_FALSE(without.cloud->getCloudInfo()->isDataValid(0x1000));
  // A fresh parameter set reaches the same cloud's information.
  EXPECT_EQ(without.cloud->createVisualizationParamsSet()->getCloudInfo()->getExtents().maxPoint(), OdGePoint3d(1, 1, 1));
  EXPECT_EQ(without.cloud->geomExtents().minPoint(), OdGePoint3d(1, 1, 1));
}

TEST(CloudDisplay, PointSizeOfTheActiveViewportReachesTheRenderer) {
  Scene scene(Cloud({0.05f, 0.05f, 0}));
  const auto one = scene.drawn();
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].second, 0xFFFFFFu);  // no colours of its own: the entity's colour

  scene.set(2, false, scene.viewport);
  const auto two = scene.drawn();
  ASSERT_EQ(two.size(), 4u);
  // The 2 x 2 square covers the single pixel of size 1.
  bool covers = false;
  for (const auto& p : two) covers |= p.first == one[0].first;
  EXPECT_TRUE(covers);

  // Settings of another viewport do not change what the active one shows.
  scene.set(5, false, OdDbHandle(0x7777));
  EXPECT_EQ(scene.drawn().size(), 4u);
  EXPECT_EQ(scene.cloud->paramsOf(OdDbHandle(0x7777)).pointSize, 5);
  EXPECT_EQ(scene.cloud->createVisualizationParamsSetFrom(scene.viewport)->pointSize(), 2);
}

TEST(CloudDisplay, ColouringByNormalsDrawsTheColoursNormalsMapTo) {
  // Two points with their own colours and normals along +Z and -X.
  Scene scene(Cloud({-2, 0, 0, 2, 0, 0}, {0, 0, 1, -1, 0, 0}, {0x00FF00, 0x0000FF}));
  auto colours = [&] {
    std::vector<OdGiRgb> c;
    for (const auto& p : scene.drawn()) c.push_back(p.second);
    std::sort(c.begin(), c.end());
    return c;
  };
  EXPECT_EQ(colours(), (std::vector<OdGiRgb>{0x0000FF, 0x00FF00}));
  scene.set(1, true, scene.viewport);
  // (0, 0, 1) -> (128, 128, 255); (-1, 0, 0) -> (0, 128, 128).
  EXPECT_EQ(colours(), (std::vector<OdGiRgb>{0x008080, 0x8080FF}));
  EXPECT_EQ(hostDbPointCloudInsertion::normalColor(0, 0, 1, {}), 0x8080FFu);
  EXPECT_EQ(hostDbPointCloudInsertion::normalColor(0, -1, 0, {0, true}), 0xFF00u);
  EXPECT_EQ(hostDbPointCloudInsertion::normalColor(0.6f, 0, 0.8f, {3, false}), 0xE6E6E6u);
  scene.set(1, false, scene.viewport);
  EXPECT_EQ(colours(), (std::vector<OdGiRgb>{0x0000FF, 0x00FF00}));
}

TEST(CloudDisplay, ColouringByNormalsWithoutNormalsKeepsTheCloudsColours) {
  Scene scene(Cloud({0, 0, 0}, {}, {0x123456}));
  scene.set(1, true, scene.viewport);
  const auto drawn = scene.drawn();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].second, 0x123456u);
}

TEST(CloudIsolation, HidingAndShowingInTheRenderedView) {
  Scene scene(Cloud({0, 0, 0}));
  ASSERT_EQ(scene.drawn().size(), 1u);
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

TEST(CloudIsolation, TheStateObjectIsTold) {
  struct Listener : iDocManageIsolationState {
    std::vector<bool> changes;
    void onIsolationChanged(const OdDbObjectId&, bool hidden) override { changes.push_back(hidden); }
  } listener;
  Scene scene(Cloud({0, 0, 0}));
  setEntityInvisibleByIsolation(scene.cloud.get(), &listener);
  setEntityVisibleByIsolation(scene.cloud.get(), &listener);
  EXPECT_EQ(listener.changes, (std::vector<bool>{true, false}));
}

TEST(XpcGeometry, BoundingRectangleOfKnownExtents) {
  const OdGeExtents3d box(OdGePoint3d(0, 0, 0), OdGePoint3d(10, 4, 2));
  std::pair<OdGePoint2d, OdGePoint2d> r{OdGePoint2d(0, 0), OdGePoint2d(0, 0)};
  ASSERT_TRUE(XPC::computeBoundingRectangle(box, OdGeMatrix3d(), r));
  EXPECT_EQ(r.first, OdGePoint2d(0, 0));
  EXPECT_EQ(r.second, OdGePoint2d(10, 4));

  // The view matrix of the four-view design: its "from" Z axis is zero, the
  // matrix is singular, invertMatrix leaves the identity and the rectangle
  // is the box's own XY rectangle.
  const OdGeMatrix3d m = OdGeMatrix3d::alignCoordSys(OdGePoint3d(5, 2, 1), OdGeVector3d(-1, 1, 0), OdGeVector3d(0, 0, 1),
                                                     OdGeVector3d(0, 0, 0), OdGePoint3d(0, 0, 0), OdGeVector3d::kXAxis,
                                                     OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
  OdGeMatrix3d inv;
  EXPECT_FALSE(HostGeUtils::invertMatrix(m, inv));
  EXPECT_TRUE(inv.isEqualTo(OdGeMatrix3d::kIdentity));

  // "From" axes turned 90 degrees about Z: world (x, y) lands at (y, -x),
  // so the 10 x 4 rectangle becomes 4 x 10.
  OdGeMatrix3d turn = OdGeMatrix3d::alignCoordSys(OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), OdGeVector3d(-1, 0, 0),
                                                  OdGeVector3d(0, 0, 1), OdGePoint3d(0, 0, 0), OdGeVector3d::kXAxis,
                                                  OdGeVector3d::kYAxis, OdGeVector3d::kZAxis);
  ASSERT_TRUE(HostGeUtils::invertMatrix(turn, inv));
  EXPECT_TRUE((turn * inv).isEqualTo(OdGeMatrix3d::kIdentity, 1e-12));
  ASSERT_TRUE(XPC::computeBoundingRectangle(box, turn, r));
  EXPECT_NEAR(r.first.x, 0, 1e-12);
  EXPECT_NEAR(r.second.x, 4, 1e-12);
  EXPECT_NEAR(r.first.y, -10, 1e-12);
  EXPECT_NEAR(r.second.y, 0, 1e-12);

  // Empty extents leave the rectangle as it was.
  EXPECT_FALSE(XPC::computeBoundingRectangle(OdGeExtents3d(), turn, r));
  EXPECT_NEAR(r.first.y, -10, 1e-12);
}

TEST(XpcViewports, CountsTheActiveConfiguration) {
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  int count = -1;
  ASSERT_TRUE(XPC::getCountViewports(db.get(), count));
  EXPECT_EQ(count, 1);
  OdDbViewportTablePtr table(OdDbViewportTable::cast(db->getViewportTableId().openObject(OdDb::kForWrite).get()));
  auto second = OdDbViewportTableRecord::createObject();
  second->setName(u"*ACTIVE");
  table->add(second.get());
  auto other = OdDbViewportTableRecord::createObject();
  other->setName(u"Saved");
  table->add(other.get());
  ASSERT_TRUE(XPC::getCountViewports(db.get(), count));
  EXPECT_EQ(count, 2);
  second->erase();
  ASSERT_TRUE(XPC::getCountViewports(db.get(), count));
  EXPECT_EQ(count, 1);
  count = 7;
  EXPECT_FALSE(XPC::getCountViewports(nullptr, count));
  EXPECT_EQ(count, 7);
}

TEST(HostDibImage, SnapshotsAreDibImagesWhoseBitmapCanLeaveAndComeBack) {
  // The point lands on pixel (51, 49), the one that halving samples for
  // (25, 24).
  Scene scene(Cloud({0.15f, 0.05f, 0}));
  OdGiRasterImagePtr image = scene.snapshot();
  HostDIBRasterImage* dib = HostDIBRasterImage::cast(image.get());
  ASSERT_NE(dib, nullptr);
  ASSERT_NE(dib->getDC(), nullptr);
  EXPECT_EQ(dib->pixelWidth(), 100u);
  EXPECT_EQ(dib->pixelHeight(), 100u);

  // The picture is in the DIB: a blit from its DC copies the point.
  HostDIBRasterImage target(nullptr, 50, 50, 32, nullptr);
  ASSERT_NE(target.getDC(), nullptr);
  ASSERT_NE(target.bitmap(), nullptr);
  SetStretchBltMode(target.getDC(), COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(target.getDC(), 0, 0, 50, 50, dib->getDC(), 0, 0, 100, 100, SRCCOPY));
  EXPECT_EQ(target.pixelAt(25, 24) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(target.pixelAt(0, 0) & 0xFFFFFF, kBackground);

  HBITMAP bitmap = target.detachBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(target.bitmap(), nullptr);
  EXPECT_EQ(target.scanLines(), nullptr);
  // Detached, the bitmap can be read by GetDIBits as a writer does.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 50;
  info.bmiHeader.biHeight = -50;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<std::uint32_t> rows(50 * 50);
  HDC reader = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDIBits(reader, bitmap, 0, 50, rows.data(), &info, DIB_RGB_COLORS), 50);
  DeleteDC(reader);
  EXPECT_EQ(rows[24 * 50 + 25] & 0xFFFFFF, 0xFFFFFFu);
  ASSERT_TRUE(target.attachBitmap(bitmap, true));
  EXPECT_EQ(target.bitmap(), bitmap);
  // Attached again and selected: drawing into the DC reaches it.
  ASSERT_TRUE(StretchBlt(target.getDC(), 0, 0, 50, 50, dib->getDC(), 0, 0, 1, 1, SRCCOPY));
  EXPECT_EQ(target.pixelAt(25, 24) & 0xFFFFFF, kBackground);
  EXPECT_FALSE(target.attachBitmap(nullptr, true));
}

TEST(HostDibImage, SizesThatCannotBeMadeGiveNoDcOrBitmap) {
  HostDIBRasterImage none(nullptr, 0, 10, 32, nullptr);
  EXPECT_EQ(none.getDC(), nullptr);
  EXPECT_EQ(none.bitmap(), nullptr);
  HostDIBRasterImage eight(nullptr, 10, 10, 8, nullptr);
  EXPECT_EQ(eight.bitmap(), nullptr);
  HostDIBRasterImage rgb(nullptr, 3, 2, 24, nullptr);
  ASSERT_NE(rgb.bitmap(), nullptr);
  EXPECT_EQ(rgb.scanLineSize(), 12u);  // rows padded to 4 bytes
  EXPECT_EQ(HostDIBRasterImage::cast(nullptr), nullptr);
}

TEST(CloudNormals, PointsOfASphereGetOutwardRadialNormals) {
  std::vector<float> xyz;
  const int rings = 60, perRing = 120;
  for (int i = 1; i < rings; ++i) {
    const double theta = M_PI * i / rings;
    for (int j = 0; j < perRing; ++j) {
      const double phi = 2 * M_PI * j / perRing;
      xyz.push_back(static_cast<float>(3 + 2 * std::sin(theta) * std::cos(phi)));
      xyz.push_back(static_cast<float>(-1 + 2 * std::sin(theta) * std::sin(phi)));
      xyz.push_back(static_cast<float>(5 + 2 * std::cos(theta)));
    }
  }
  host::PointCloudData cloud;
  cloud.xyz = xyz;
  std::vector<float> normals;
  std::atomic<std::size_t> done{0};
  ASSERT_TRUE(host::ComputeNormals(cloud, normals, 12, 2, &done, nullptr));
  EXPECT_EQ(done.load(), cloud.size());
  ASSERT_EQ(normals.size(), xyz.size());
  std::size_t good = 0;
  for (std::size_t i = 0; i < cloud.size(); ++i) {
    const double r[3] = {(xyz[3 * i] - 3) / 2.0, (xyz[3 * i + 1] + 1) / 2.0, (xyz[3 * i + 2] - 5) / 2.0};
    const double dot = r[0] * normals[3 * i] + r[1] * normals[3 * i + 1] + r[2] * normals[3 * i + 2];
    if (dot > 0.95) ++good;
  }
  EXPECT_GT(good, cloud.size() * 97 / 100);

  // A stop request ends the work and says so.
  std::atomic<bool> stop{true};
  EXPECT_FALSE(host::ComputeNormals(cloud, normals, 12, 2, nullptr, &stop));
}

TEST(CloudNormals, PointsOnALineHaveNoThinnestDirection) {
  host::PointCloudData cloud;
  for (int i = 0; i < 20; ++i) cloud.xyz.insert(cloud.xyz.end(), {static_cast<float>(i), 0.f, 0.f});
  std::vector<float> normals;
  ASSERT_TRUE(host::ComputeNormals(cloud, normals, 8, 1, nullptr, nullptr));
  for (float n : normals) EXPECT_EQ(n, 0.0f);
}

}  // namespace
