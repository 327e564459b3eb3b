// The window grab and the window rectangles it stands on, against the X
// server of the tests: real windows, real screen pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <array>
#include <memory>
#include <thread>

#include "InProcessHost.h"
#include "screenshots/GrabDocumentWindow.h"
#include "support/XWindows.h"
#include "win32/Kernel.h"
#include "win32/Window.h"

namespace {

// One application for the whole run, ended before the process exits: a
// QApplication left to static destruction outlives Qt's own statics.
std::unique_ptr<QApplication> g_app;
class QtEnvironment : public ::testing::Environment {
  void TearDown() override { g_app.reset(); }
};
const auto* const g_qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
QApplication& App() {
  static int argc = 1;
  static char name[] = "test_screenshot_grab";
  static char* argv[] = {name, nullptr};
  if (!g_app) g_app = std::make_unique<QApplication>(argc, argv);
  return *g_app;
}

constexpr QRgb kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

// Four quadrants in a one-pixel white frame, so that an area off by a pixel
// shows in the corners.
class PatternWidget : public QWidget {
 public:
  explicit PatternWidget(QWidget* parent = nullptr) : QWidget(parent) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const int w = width(), h = height();
    p.fillRect(0, 0, w / 2, h / 2, QColor(kRed));
    p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(kGreen));
    p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(kBlue));
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(kYellow));
    p.setPen(QColor(kWhite));
    p.drawRect(0, 0, w - 1, h - 1);
  }
};

HWND Handle(const QWidget& widget) { return reinterpret_cast<HWND>(widget.winId()); }
HWND H(pcvr_test::XWindows::Id window) { return reinterpret_cast<HWND>(window); }

using Rect = std::array<LONG, 4>;  // left, top, right, bottom; all -1 when the call fails
Rect WindowRect(HWND window) {
  RECT r{};
  return GetWindowRect(window, &r) ? Rect{r.left, r.top, r.right, r.bottom} : Rect{-1, -1, -1, -1};
}
Rect ClientRect(HWND window) {
  RECT r{};
  return GetClientRect(window, &r) ? Rect{r.left, r.top, r.right, r.bottom} : Rect{-1, -1, -1, -1};
}

// Shows a top-level window at a place and waits until the X server has it
// there and painted.
void ShowAt(QWidget& widget, int x, int y, int w, int h) {
  widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  widget.setGeometry(x, y, w, h);
  widget.show();
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 10000) {
    App().processEvents();
    if (widget.windowHandle() != nullptr && widget.windowHandle()->isExposed() &&
        WindowRect(Handle(widget)) == Rect{x, y, x + w, y + h}) {
      break;
    }
  }
  widget.repaint();
  App().processEvents();
  App().sync();
}

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffff; }

class WindowGrab : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    m_document = pcvr_test::EnsureDocument();
  }
  void TearDown() override { m_document->setViewWindow(nullptr); }

  host::Document* m_document = nullptr;
};

TEST_F(WindowGrab, PictureIsTheViewWindowsPixelsWithWhateverCoversIt) {
  PatternWidget view;
  ShowAt(view, 40, 30, 320, 200);
  m_document->setViewWindow(Handle(view));
  EXPECT_EQ(WindowRect(Handle(view)), (Rect{40, 30, 360, 230}));
  QImage image = GrabDocumentWindow().toImage();
  ASSERT_EQ(image.size(), QSize(320, 200));
  const std::array<std::tuple<int, int, QRgb>, 8> expected{{{0, 0, kWhite}, {319, 199, kWhite}, {1, 1, kRed},
                                                            {318, 1, kGreen}, {1, 198, kBlue}, {318, 198, kYellow},
                                                            {159, 99, kRed}, {160, 100, kYellow}}};
  for (const auto& [x, y, rgb] : expected) EXPECT_EQ(Pixel(image, x, y), rgb) << x << "," << y;

  QWidget cover;
  cover.setAutoFillBackground(true);
  QPalette palette = cover.palette();
  palette.setColor(QPalette::Window, QColor(10, 200, 220));
  cover.setPalette(palette);
  ShowAt(cover, 140, 90, 50, 50);
  image = GrabDocumentWindow().toImage();
  EXPECT_EQ(Pixel(image, 125, 85), 0x0AC8DCu);
  EXPECT_EQ(Pixel(image, 1, 1), kRed);
}

TEST_F(WindowGrab, ChildViewIsGrabbedAtItsPlaceInsideItsWindow) {
  QWidget frame;
  auto* view = new PatternWidget(&frame);
  view->setGeometry(17, 11, 200, 120);
  ShowAt(frame, 300, 260, 260, 180);
  view->repaint();
  App().sync();
  m_document->setViewWindow(Handle(*view));
  EXPECT_EQ(WindowRect(Handle(*view)), (Rect{317, 271, 517, 391}));
  EXPECT_EQ(ClientRect(Handle(*view)), (Rect{0, 0, 200, 120}));
  const QImage image = GrabDocumentWindow().toImage();
  ASSERT_EQ(image.size(), QSize(200, 120));
  EXPECT_EQ(Pixel(image, 0, 0), kWhite);
  EXPECT_EQ(Pixel(image, 1, 1), kRed);
  EXPECT_EQ(Pixel(image, 198, 118), kYellow);
}

TEST_F(WindowGrab, NothingToGrabGivesNullPicture) {
  m_document->setViewWindow(nullptr);
  EXPECT_TRUE(GrabDocumentWindow().isNull());

  pcvr_test::XWindows x;
  const auto gone = x.create(0, 10, 10, 100, 100);
  x.destroy(gone);  // the server has it gone once this returns
  m_document->setViewWindow(H(gone));
  EXPECT_TRUE(GrabDocumentWindow().isNull());

  pcvr_test::CloseAllDocuments();
  EXPECT_TRUE(GrabDocumentWindow().isNull());
  m_document = pcvr_test::EnsureDocument();
}

// A window manager of our own making: a frame window on the root with the
// client reparented into it and marked with WM_STATE, as ICCCM managers do.
TEST(WindowRects, ManagedWindowsIncludeTheirFrameAndBordersCount) {
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  const auto frame = x.create(0, 100, 80, 330, 260);
  const auto client = x.create(0, 0, 0, 320, 230);
  x.reparent(client, frame, 5, 25);
  EXPECT_EQ(WindowRect(H(client)), (Rect{105, 105, 425, 335}));  // not managed yet: the window alone
  x.markManaged(client);
  EXPECT_EQ(WindowRect(H(client)), (Rect{100, 80, 430, 340}));
  EXPECT_EQ(ClientRect(H(client)), (Rect{0, 0, 320, 230}));
  const auto child = x.create(client, 7, 9, 50, 40);  // no frame of its own
  EXPECT_EQ(WindowRect(H(child)), (Rect{112, 114, 162, 154}));
  x.destroy(frame);

  const auto bordered = x.create(0, 50, 60, 100, 80, 3);
  EXPECT_EQ(WindowRect(H(bordered)), (Rect{50, 60, 156, 146}));
  EXPECT_EQ(ClientRect(H(bordered)), (Rect{0, 0, 100, 80}));
  x.destroy(bordered);
}

TEST(WindowRects, GoneWindowsFailLikeWindowsOnEveryThreadsOwnConnection) {
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  const auto window = x.create(0, 33, 44, 55, 66);
  EXPECT_TRUE(IsWindow(H(window)));
  Rect there{};
  BOOL goneThere = TRUE;
  std::thread([&] {
    there = WindowRect(H(window));
    // An error on this thread's connection is handled on this thread too.
    goneThere = IsWindow(H(window + 0x1000000));
  }).join();
  EXPECT_EQ(there, WindowRect(H(window)));
  EXPECT_FALSE(goneThere);
  x.destroy(window);

  // The X error each call meets ends neither the call nor the process.
  for (HWND gone : {H(window), HWND{}}) {
    EXPECT_FALSE(IsWindow(gone));
    RECT rect{1, 2, 3, 4};
    SetLastError(0);
    EXPECT_FALSE(GetWindowRect(gone, &rect));
    EXPECT_FALSE(GetClientRect(gone, &rect));
    EXPECT_EQ(rect.left, 1);  // untouched
    if (gone != nullptr) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    }
  }
}

}  // namespace
