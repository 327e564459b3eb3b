// The host's view manager (document operation 2): its view kept in step with
// the viewport table, and the view window's picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <cstring>

#include "QtApp.h"
#include "host/DrawingDocument.h"
#include "host/HostDIBRasterImage.h"
#include "sdk/OdDbEntity.h"
#include "sdk/OdDbViewportTable.h"
#include "win32/Text.h"

namespace {

int DrawnPixels(const QImage& image) {
  int drawn = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) drawn += (image.pixel(x, y) & 0xFFFFFF) != 0x212830;
  return drawn;
}

OdDbViewportTableRecordPtr ActiveRecord(OdDbDatabase* db, OdDb::OpenMode mode = OdDb::kForRead) {
  return odCastOrThrow<OdDbViewportTableRecord>(db->activeViewportId().openObject(mode));
}

class DrawingViewManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pcvr_test::EnsureApplication();
    m_widget = std::make_unique<host::ViewWidget>();
    m_widget->resize(400, 300);
    m_widget->show();
    m_document = host::Application::instance().openDocument(u"Test");
    std::u16string message;
    ASSERT_TRUE(host::OpenDrawing(*m_document, m_widget.get(), PCVR_SAMPLE_SCENE, message)) << win32::ToUtf8(message);
  }
  void TearDown() override {
    if (m_document != nullptr) host::Application::instance().closeDocument();
  }

  std::unique_ptr<host::ViewWidget> m_widget;
  host::Document* m_document = nullptr;
};

}  // namespace

TEST_F(DrawingViewManagerTest, TheActiveViewShowsTheActiveRecordAndKeepsItInStep) {
  OdDbDatabase* db = m_document->database();
  ASSERT_NE(db, nullptr);
  HostViewManager* manager = m_document->viewManager();
  ASSERT_NE(manager, nullptr);
  OdGsView* view = manager->activeView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->device()->database(), db);
  // The camera comes from the drawing's active viewport.
  auto record = ActiveRecord(db);
  EXPECT_FALSE(view->isPerspective());
  EXPECT_DOUBLE_EQ(view->fieldHeight(), record->height());
  const OdGeVector3d dir = (view->position() - view->target()).normal();
  EXPECT_NEAR(dir.dotProduct(record->viewDirection().normal()), 1.0, 1e-12);
  // The window shows the drawing.
  manager->refreshView(view, 0);
  const QImage shown = m_widget->grab().toImage();
  EXPECT_GT(DrawnPixels(shown), shown.width() * shown.height() / 50);

  // A new camera goes into the active record, outside the undo record: the
  // host's bookkeeping is not an undoable change.
  const auto undoBefore = db->undoRecordCount();
  view->setView(OdGePoint3d(50, 50, 100), OdGePoint3d(50, 50, 0), OdGeVector3d(0, 1, 0), 40, 40, OdGsView::kParallel);
  manager->refreshView(view, 0);
  record = ActiveRecord(db);
  EXPECT_EQ(record->target(), OdGePoint3d(50, 50, 0));
  EXPECT_DOUBLE_EQ(record->height(), 40.0);
  EXPECT_EQ(db->undoRecordCount(), undoBefore);

  // A drawing without a view window has no active view.
  host::Document* other = host::Application::instance().openDocument(u"NoWindow");
  host::NewDrawing(*other, nullptr);
  EXPECT_EQ(other->viewManager()->activeView(), nullptr);
  host::Application::instance().closeDocument();
}

TEST_F(DrawingViewManagerTest, CameraSetAfterALayoutChangeIsTheOneShown) {
  OdDbDatabase* db = m_document->database();
  HostViewManager* manager = m_document->viewManager();
  OdGsView* view = manager->activeView();
  manager->refreshView(view, 0);
  // The layout is replaced by a copy of the active record, and only then is
  // the view aimed elsewhere: the refresh shows the new camera, not the
  // copy's, and the new record takes it.
  auto table = odCastOrThrow<OdDbViewportTable>(db->getViewportTableId().openObject(OdDb::kForWrite));
  auto copy = OdDbViewportTableRecord::createObject();
  copy->copyFrom(ActiveRecord(db).get());
  ActiveRecord(db, OdDb::kForWrite)->erase(true);
  table->add(copy.get());
  view->setView(OdGePoint3d(30, 40, 100), OdGePoint3d(30, 40, 0), OdGeVector3d(0, 1, 0), 25, 25, OdGsView::kParallel);
  manager->refreshView(view, 0);
  EXPECT_EQ(view->target(), OdGePoint3d(30, 40, 0));
  EXPECT_DOUBLE_EQ(view->fieldHeight(), 25.0);
  auto record = ActiveRecord(db);
  EXPECT_EQ(record->objectId(), copy->objectId());
  EXPECT_EQ(record->target(), OdGePoint3d(30, 40, 0));
  EXPECT_DOUBLE_EQ(record->height(), 25.0);
}

// The snapshot as the module grabs it, in the host's image.
TEST_F(DrawingViewManagerTest, HiddenEntityLeavesTheSnapshot) {
  OdDbDatabase* db = m_document->database();
  OdGsView* view = m_document->viewManager()->activeView();
  OdGsDevice* device = view->device();
  // Look straight down at the middle of the sample's spline trajectory.
  view->setView(OdGePoint3d(45, 38, 200), OdGePoint3d(45, 38, 12), OdGeVector3d(0, 1, 0), 4, 4, OdGsView::kParallel);
  OdGsDCRect rect;
  rect.m_max = {64, 64};
  OdGiRasterImagePtr shown, hidden;
  device->getSnapShot(shown, rect);
  auto spline = odCastOrThrow<OdDbEntity>(db->getOdDbObjectId(OdDbHandle(0xA00)).openObject(OdDb::kForWrite));
  ASSERT_TRUE(spline);
  spline->setVisibility(OdDb::kInvisible);
  device->getSnapShot(hidden, rect);
  spline->setVisibility(OdDb::kVisible);
  ASSERT_TRUE(shown && hidden);
  EXPECT_EQ(shown->pixelAt(32, 32) & 0xFFFFFF, 0xFFDC00u);  // the spline's yellow
  EXPECT_NE(hidden->pixelAt(32, 32) & 0xFFFFFF, 0xFFDC00u);
}

// The trajectory video's way: a snapshot drawn again into the image passed
// back, into its own bitmap or into a bottom-up frame bitmap lent to it, is
// the picture a new snapshot gives, the right way up; another size makes a
// new image.
TEST_F(DrawingViewManagerTest, ASnapshotIsDrawnAgainIntoTheImagePassedBack) {
  OdGsDevice* device = m_document->viewManager()->activeView()->device();
  OdGsDCRect rect;
  rect.m_max = {96, 64};
  OdGiRasterImagePtr fresh, image;
  device->getSnapShot(fresh, rect);
  device->getSnapShot(image, rect);
  ASSERT_TRUE(fresh && image);
  const auto samePicture = [&](const OdGiRasterImage& a) {
    int differ = 0;
    for (OdUInt32 y = 0; y < 64; ++y)
      for (OdUInt32 x = 0; x < 96; ++x) differ += (a.pixelAt(x, y) & 0xFFFFFF) != (fresh->pixelAt(x, y) & 0xFFFFFF);
    return differ;
  };
  ASSERT_GT(DrawnPixels(QImage(reinterpret_cast<const uchar*>(fresh->scanLines()), 96, 64, QImage::Format_RGB32)), 20);
  OdGiRasterImage* first = image.get();
  auto* host = HostDIBRasterImage::cast(first);
  ASSERT_NE(host, nullptr);
  std::memset(host->bits(), 0, 96 * 64 * 4);
  device->getSnapShot(image, rect);
  EXPECT_EQ(image.get(), first);
  EXPECT_EQ(samePicture(*image), 0);

  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 96, 64, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP lent = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HBITMAP own = host->detachBitmap();
  ASSERT_TRUE(host->attachBitmap(lent, true));
  device->getSnapShot(image, rect);
  EXPECT_EQ(image.get(), first);
  EXPECT_FALSE(image->isTopDown());
  EXPECT_EQ(samePicture(*image), 0);
  EXPECT_EQ(host->detachBitmap(), lent);
  EXPECT_TRUE(DeleteObject(lent));
  ASSERT_TRUE(host->attachBitmap(own, true));

  rect.m_max = {48, 48};
  device->getSnapShot(image, rect);
  EXPECT_NE(image.get(), first);
  EXPECT_EQ(image->pixelWidth(), 48u);
}
