// Pixels of small known scenes, the device's snapshots and the view's camera.
#include <gtest/gtest.h>

#include <random>

#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbLine.h"
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

}  // namespace

TEST(Renderer, PointAtTheTargetLandsInTheCentre) {
  for (bool perspective : {false, true}) {
    Scene scene;
    AddPoint(scene, 0, 0, 0, kRed);
    Frame frame;
    SoftwareRenderer(2).render(scene, TopView(perspective), 101, 81, 0, frame);
    const auto hit = PixelsOf(frame, kRed);
    ASSERT_EQ(hit.size(), 1u) << perspective;
    EXPECT_EQ(hit[0], std::make_pair(50, 40));
  }
  // Off centre: one unit right and up in a 10-unit field on 100 pixels.
  Scene scene;
  AddPoint(scene, 1.0, 1.0, 0, kGreen);
  Frame frame;
  SoftwareRenderer(1).render(scene, TopView(false), 100, 100, 0, frame);
  const auto hit = PixelsOf(frame, kGreen);
  ASSERT_EQ(hit.size(), 1u);
  EXPECT_EQ(hit[0], std::make_pair(60, 40));
  EXPECT_EQ(frame.at(0, 0), kBackground);
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
  // A line passing in front of a point hides it; behind, it does not.
  Scene scene;
  AddPoint(scene, 0, 0, 0, kBlue);
  const OdGePoint3d over[2] = {{-2, 0, 1}, {2, 0, 1}};
  scene.polyline(over, 2, kRed);
  Frame frame;
  SoftwareRenderer(2).render(scene, TopView(false), 101, 101, 0, frame);
  EXPECT_TRUE(PixelsOf(frame, kBlue).empty());
  EXPECT_EQ(frame.at(50, 50), 0xFF000000u | kRed);
}

TEST(Renderer, SameSceneSamePixelsWhateverTheThreads) {
  Scene scene;
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coord(-6.0f, 6.0f);
  std::vector<float> xyz(3 * 20000);
  std::vector<OdGiRgb> colors(20000);
  for (auto& v : xyz) v = coord(random);
  for (auto& c : colors) c = random() & 0xFFFFFF;
  scene.points(xyz.data(), colors.data(), colors.size(), 0, 2);
  for (int i = 0; i < 50; ++i) {
    const OdGePoint3d seg[2] = {{coord(random), coord(random), coord(random)}, {coord(random), coord(random), coord(random)}};
    scene.polyline(seg, 2, random() & 0xFFFFFF);
  }
  Camera cam;
  cam.position = OdGePoint3d(15, -12, 9);
  cam.up = OdGeVector3d(0, 0, 1);
  cam.fieldWidth = cam.fieldHeight = 14;
  for (bool perspective : {false, true}) {
    cam.perspective = perspective;
    Frame one, many, again;
    SoftwareRenderer(1).render(scene, cam, 320, 181, 0x102030, one);
    SoftwareRenderer(7).render(scene, cam, 320, 181, 0x102030, many);
    SoftwareRenderer(7).render(scene, cam, 320, 181, 0x102030, again);
    EXPECT_EQ(one.pixels, many.pixels);
    EXPECT_EQ(many.pixels, again.pixels);
    EXPECT_GT(PixelsOf(one, 0x102030).size(), 0u);
    EXPECT_LT(PixelsOf(one, 0x102030).size(), 320u * 181u * 9 / 10);  // a good part is drawn
  }
}

TEST(Device, SnapshotDrawsTheVisibleEntitiesOfItsView) {
  auto db = OdDbDatabase::createObject();
  auto line = OdDbLine::createObject();
  line->setStartPoint(OdGePoint3d(-5, 0, 0));
  line->setEndPoint(OdGePoint3d(5, 0, 0));
  line->setColor(kRed);
  db->addEntity(line.get());
  auto device = OdGsDevice::createObject(db.get());
  ASSERT_TRUE(device->properties()->has(u"SnapShotFlags"));
  auto flags = OdRxVariant::cast(device->properties()->getAt(u"SnapShotFlags").get());
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags->varType(), OdVariant::kUInt32);

  OdGsView* view = device->viewAt(0);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->device(), device.get());
  view->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 20, 20, OdGsView::kParallel);
  OdGsDCRect rect;
  rect.m_max = {64, 48};
  device->onSize(rect);
  OdGsDCRect size;
  device->getSize(size);
  EXPECT_EQ(size.width(), 64);
  EXPECT_EQ(size.height(), 48);

  OdGsDCRect snap;
  snap.m_max = {101, 51};
  OdGiRasterImagePtr image;
  device->getSnapShot(image, snap);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 101u);
  EXPECT_EQ(image->pixelHeight(), 51u);
  EXPECT_EQ(image->colorDepth(), 32u);
  EXPECT_EQ(image->pixelAt(50, 25), 0xFFFF0000u);
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
  EXPECT_EQ(image->pixelWidth(), 64u);
}

TEST(View, SetViewOrbitZoomAndViewportRecords) {
  auto device = OdGsDevice::createObject(nullptr);
  OdGsView* view = device->viewAt(0);
  view->setView(OdGePoint3d(1, 2, 3), OdGePoint3d(1, 2, 0), OdGeVector3d(0, 1, 0), 8, 6, OdGsView::kPerspective);
  EXPECT_TRUE(view->isPerspective());
  EXPECT_EQ(view->fieldWidth(), 8);
  view->setView(OdGePoint3d(std::nan(""), 0, 0), OdGePoint3d(), OdGeVector3d(0, 1, 0), -1, 0, OdGsView::kParallel);
  EXPECT_EQ(view->position(), OdGePoint3d(1, 2, 3));  // not finite: kept
  EXPECT_EQ(view->fieldHeight(), 6);
  EXPECT_FALSE(view->isPerspective());

  view->zoom(2.0);
  EXPECT_EQ(view->fieldWidth(), 4);
  view->orbit(90, 0);
  EXPECT_NEAR(view->upVector().x, -1.0, 1e-12);  // turned about Z with the eye
  EXPECT_NEAR(view->position().distanceTo(view->target()), 3.0, 1e-12);

  // To a record and back gives the same camera.
  view->setView(OdGePoint3d(10, -10, 10), OdGePoint3d(1, 1, 0), OdGeVector3d(0, 0, 1), 30, 20, OdGsView::kPerspective);
  auto record = OdDbViewportTableRecord::createObject();
  view->copyToViewport(*record);
  auto other = OdGsDevice::createObject(nullptr);
  other->viewAt(0)->setFromViewport(*record);
  const OdGsView* copy = other->viewAt(0);
  EXPECT_NEAR(copy->position().distanceTo(view->position()), 0.0, 1e-9);
  EXPECT_NEAR(copy->target().distanceTo(view->target()), 0.0, 1e-9);
  const OdGeVector3d dir = (view->position() - view->target()).normal();
  const OdGeVector3d up = (view->upVector() - dir * view->upVector().dotProduct(dir)).normal();
  EXPECT_NEAR(copy->upVector().normal().dotProduct(up), 1.0, 1e-9);
  EXPECT_TRUE(copy->isPerspective());
  EXPECT_EQ(copy->fieldWidth(), 30);
}
