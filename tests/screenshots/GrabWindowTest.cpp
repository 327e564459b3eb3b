// The window grab and the window rectangles it stands on, against a real X
// server (an Xvfb of the test's own): real windows, real screen pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <thread>

#include "InProcessHost.h"
#include "PrivateXServer.h"
#include "RawXWindows.h"
#include "screenshots/GrabDocumentWindow.h"
#include "win32/Kernel.h"
#include "win32/Window.h"

namespace {

// One X server and one application for the whole run, started before any
// connection is opened (every connection, Qt's, the win32 layer's and the
// tests' own, follows DISPLAY) and ended before the process exits: a
// QApplication left to static destruction outlives Qt's own statics.
std::unique_ptr<screenshots_test::PrivateXServer> g_server;
std::unique_ptr<QApplication> g_app;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_server = std::make_unique<screenshots_test::PrivateXServer>();
    if (!g_server->display().empty()) setenv("DISPLAY", g_server->display().c_str(), 1);
  }
  // The server itself stays up until static destruction, after the win32
  // layer's per-thread connection has been closed at thread exit.
  void TearDown() override { g_app.reset(); }
};

bool HaveServer() { return g_server != nullptr && !g_server->display().empty(); }

QApplication& App() {
  static int argc = 1;
  static char name[] = "test_screenshot_grab";
  static char* argv[] = {name, nullptr};
  if (!g_app) g_app = std::make_unique<QApplication>(argc, argv);
  return *g_app;
}
const auto* const g_qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255), kYellow(255, 255, 0), kWhite(255, 255, 255);

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
    p.fillRect(0, 0, w / 2, h / 2, kRed);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, kGreen);
    p.fillRect(0, h / 2, w / 2, h - h / 2, kBlue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, kYellow);
    p.setPen(kWhite);
    p.drawRect(0, 0, w - 1, h - 1);
  }
};

HWND Handle(const QWidget& widget) { return reinterpret_cast<HWND>(widget.winId()); }

// Shows a top-level window at a place and waits until the X server has it
// there and painted.
void ShowAt(QWidget& widget, int x, int y, int w, int h) {
  widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  widget.setGeometry(x, y, w, h);
  widget.show();
  QElapsedTimer timer;
  timer.start();
  RECT rect{};
  while (timer.elapsed() < 5000) {
    App().processEvents();
    if (widget.windowHandle() != nullptr && widget.windowHandle()->isExposed() &&
        GetWindowRect(Handle(widget), &rect) && rect.left == x && rect.top == y && rect.right == x + w) {
      break;
    }
  }
  widget.repaint();
  App().processEvents();
  App().sync();
}

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffff; }
QRgb Rgb(const QColor& color) { return color.rgb() & 0xffffff; }

class WindowGrab : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HaveServer()) << "Xvfb could not be started";
    App();
    m_document = screenshots_test::EnsureDocument();
  }
  void TearDown() override { m_document->setViewWindow(nullptr); }

  host::Document* m_document = nullptr;
};

TEST_F(WindowGrab, PictureIsTheViewWindowsPixels) {
  PatternWidget view;
  ShowAt(view, 40, 30, 320, 200);
  m_document->setViewWindow(Handle(view));

  RECT rect{};
  ASSERT_TRUE(GetWindowRect(Handle(view), &rect));
  EXPECT_EQ(rect.left, 40);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right, 360);
  EXPECT_EQ(rect.bottom, 230);

  const QImage image = GrabDocumentWindow().toImage();
  ASSERT_EQ(image.width(), 320);
  ASSERT_EQ(image.height(), 200);
  EXPECT_EQ(Pixel(image, 0, 0), Rgb(kWhite));
  EXPECT_EQ(Pixel(image, 319, 199), Rgb(kWhite));
  EXPECT_EQ(Pixel(image, 1, 1), Rgb(kRed));
  EXPECT_EQ(Pixel(image, 318, 1), Rgb(kGreen));
  EXPECT_EQ(Pixel(image, 1, 198), Rgb(kBlue));
  EXPECT_EQ(Pixel(image, 318, 198), Rgb(kYellow));
  EXPECT_EQ(Pixel(image, 159, 99), Rgb(kRed));
  EXPECT_EQ(Pixel(image, 160, 100), Rgb(kYellow));
}

TEST_F(WindowGrab, ChildViewIsGrabbedAtItsPlaceInsideItsWindow) {
  QWidget frame;
  auto* view = new PatternWidget(&frame);
  view->setGeometry(17, 11, 200, 120);
  ShowAt(frame, 300, 260, 260, 180);
  view->repaint();
  App().sync();
  m_document->setViewWindow(Handle(*view));

  RECT rect{};
  ASSERT_TRUE(GetWindowRect(Handle(*view), &rect));
  EXPECT_EQ(rect.left, 317);
  EXPECT_EQ(rect.top, 271);
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 120);
  RECT client{};
  ASSERT_TRUE(GetClientRect(Handle(*view), &client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 120);

  const QImage image = GrabDocumentWindow().toImage();
  ASSERT_EQ(image.size(), QSize(200, 120));
  EXPECT_EQ(Pixel(image, 0, 0), Rgb(kWhite));
  EXPECT_EQ(Pixel(image, 1, 1), Rgb(kRed));
  EXPECT_EQ(Pixel(image, 198, 118), Rgb(kYellow));
}

TEST_F(WindowGrab, WhateverCoversTheViewIsInThePicture) {
  PatternWidget view;
  ShowAt(view, 600, 40, 300, 200);
  QWidget cover;
  cover.setAutoFillBackground(true);
  QPalette palette = cover.palette();
  palette.setColor(QPalette::Window, QColor(10, 200, 220));
  cover.setPalette(palette);
  ShowAt(cover, 700, 100, 50, 50);
  m_document->setViewWindow(Handle(view));

  const QImage image = GrabDocumentWindow().toImage();
  ASSERT_EQ(image.size(), QSize(300, 200));
  EXPECT_EQ(Pixel(image, 125, 85), Rgb(QColor(10, 200, 220)));
  EXPECT_EQ(Pixel(image, 1, 1), Rgb(kRed));
}

TEST_F(WindowGrab, NothingToGrabGivesNullPicture) {
  // No view window.
  m_document->setViewWindow(nullptr);
  EXPECT_TRUE(GrabDocumentWindow().isNull());

  // A view window that is gone.
  HWND gone = nullptr;
  {
    PatternWidget view;
    ShowAt(view, 10, 10, 100, 100);
    gone = Handle(view);
  }
  App().processEvents();
  App().sync();
  m_document->setViewWindow(gone);
  EXPECT_TRUE(GrabDocumentWindow().isNull());

  // No document.
  screenshots_test::CloseAllDocuments();
  EXPECT_TRUE(GrabDocumentWindow().isNull());
  m_document = screenshots_test::EnsureDocument();
}

// A window manager of our own making: a frame window on the root with the
// client reparented into it and marked with WM_STATE, as ICCCM managers do.
class WindowRects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HaveServer()) << "Xvfb could not be started";
    ASSERT_TRUE(m_x.connected());
  }

  static HWND H(screenshots_test::RawXWindows::Id window) { return reinterpret_cast<HWND>(window); }

  screenshots_test::RawXWindows m_x;
};

TEST_F(WindowRects, ManagedWindowIncludesItsFrame) {
  const auto frame = m_x.create(0, 100, 80, 330, 260);
  const auto client = m_x.create(0, 0, 0, 320, 230);
  m_x.reparent(client, frame, 5, 25);

  // Not marked as managed: the window alone.
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(H(client), &rect));
  EXPECT_EQ(rect.left, 105);
  EXPECT_EQ(rect.top, 105);
  EXPECT_EQ(rect.right, 425);
  EXPECT_EQ(rect.bottom, 335);

  m_x.markManaged(client);
  ASSERT_TRUE(GetWindowRect(H(client), &rect));
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 80);
  EXPECT_EQ(rect.right, 430);
  EXPECT_EQ(rect.bottom, 340);
  // The client area is the client window's own.
  ASSERT_TRUE(GetClientRect(H(client), &rect));
  EXPECT_EQ(rect.right, 320);
  EXPECT_EQ(rect.bottom, 230);

  // A child inside the managed window has no frame of its own.
  const auto child = m_x.create(client, 7, 9, 50, 40);
  ASSERT_TRUE(GetWindowRect(H(child), &rect));
  EXPECT_EQ(rect.left, 112);
  EXPECT_EQ(rect.top, 114);
  EXPECT_EQ(rect.right, 162);
  EXPECT_EQ(rect.bottom, 154);
  m_x.destroy(frame);
}

TEST_F(WindowRects, BorderIsPartOfTheWindowRect) {
  const auto window = m_x.create(0, 50, 60, 100, 80, 3);
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(H(window), &rect));
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 60);
  EXPECT_EQ(rect.right, 156);
  EXPECT_EQ(rect.bottom, 146);
  ASSERT_TRUE(GetClientRect(H(window), &rect));
  EXPECT_EQ(rect.right, 100);
  EXPECT_EQ(rect.bottom, 80);
  m_x.destroy(window);
}

TEST_F(WindowRects, GoneWindowsFailLikeWindows) {
  const auto window = m_x.create(0, 0, 0, 10, 10);
  EXPECT_TRUE(IsWindow(H(window)));
  m_x.destroy(window);

  // The X error each call meets ends neither the call nor the process.
  RECT rect{1, 2, 3, 4};
  EXPECT_FALSE(IsWindow(H(window)));
  SetLastError(0);
  EXPECT_FALSE(GetWindowRect(H(window), &rect));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(GetClientRect(H(window), &rect));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(rect.left, 1);  // untouched

  EXPECT_FALSE(IsWindow(nullptr));
  EXPECT_FALSE(GetWindowRect(nullptr, &rect));
  EXPECT_FALSE(GetClientRect(nullptr, &rect));
}

TEST_F(WindowRects, AnyThreadAsksOnItsOwnConnection) {
  const auto window = m_x.create(0, 33, 44, 55, 66);
  RECT here{};
  ASSERT_TRUE(GetWindowRect(H(window), &here));
  RECT there{};
  BOOL ok = FALSE;
  BOOL goneThere = TRUE;
  std::thread([&] {
    ok = GetWindowRect(H(window), &there);
    // An error on this thread's connection is handled on this thread too.
    goneThere = IsWindow(H(window + 0x1000000));
  }).join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(there.left, here.left);
  EXPECT_EQ(there.top, here.top);
  EXPECT_EQ(there.right, here.right);
  EXPECT_EQ(there.bottom, here.bottom);
  EXPECT_FALSE(goneThere);
  m_x.destroy(window);
}

}  // namespace
