// The main thread's message queue on Qt, as the flight's frame loop pumps it:
// windows go on repainting, while a request to close a window or to quit
// waits until the loop has ended.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include "support/QtApp.h"
#include "track/VideoFromTrackCommand.h"
#include "win32/Messages.h"

namespace {

HWND Handle(const QWidget& widget) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(widget.winId())); }

class MessagePump : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pcvr_test::EnsureApplication(); }
  void SetUp() override {
    m_window.resize(200, 100);
    m_window.show();
    QApplication::processEvents();
    ASSERT_TRUE(m_window.isVisible());
  }
  // Frames of a flight: each ends with a pump.
  static void Frames(int count) {
    for (int i = 0; i < count; ++i) PumpTrackMessages();
  }
  QWidget m_window;
};

TEST_F(MessagePump, ACloseRequestWaitsUntilTheFlightHasEnded) {
  // Posted by someone, and asked for by Qt code (as the window manager's
  // close button does).
  ASSERT_TRUE(PostMessageW(Handle(m_window), WM_CLOSE, 0, 0));
  Frames(3);
  EXPECT_TRUE(m_window.isVisible());
  QCoreApplication::postEvent(&m_window, new QCloseEvent);
  Frames(3);
  EXPECT_TRUE(m_window.isVisible());
  // The host's own loop carries it out.
  QApplication::processEvents();
  EXPECT_FALSE(m_window.isVisible());
}

TEST_F(MessagePump, QuitWaitsAndOtherMessagesAreTakenAndDispatched) {
  PostQuitMessage(7);
  ASSERT_TRUE(PostMessageW(Handle(m_window), WM_USER + 1, 2, 3));
  MSG msg{};
  // In the order they were posted, and to the filter asked for.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 10, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, Handle(m_window));
  ASSERT_TRUE(PeekMessageW(&msg, Handle(m_window), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.lParam, 3);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  // The frame loop puts quitting back each time; it stays in the queue.
  PostQuitMessage(7);
  Frames(3);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
