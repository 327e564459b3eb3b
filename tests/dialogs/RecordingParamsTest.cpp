// Recording parameters and capture targets built from real X windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cstring>
#include <filesystem>

#include "DialogTestSupport.h"
#include "dialogs/VideoRecordingParams.h"
#include "win32/Window.h"

namespace {

std::u16string CurrentDirectory() {
  const std::string cwd = std::filesystem::current_path().string();
  return std::u16string(cwd.begin(), cwd.end());
}

bool AllZero(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// A native top-level window of the given client size, existing on the X
// server once this returns.
std::unique_ptr<QWidget> MakeWindow(int width, int height) {
  dialogs_test::EnsureApplication();
  auto widget = std::make_unique<QWidget>();
  widget->setFixedSize(width, height);
  widget->show();
  RECT client{};
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 5000) {
    QCoreApplication::processEvents();
    if (GetClientRect(reinterpret_cast<HWND>(widget->winId()), &client) && client.right == width) break;
  }
  return widget;
}

// Runs body with the process in another current directory.
template <typename Body>
void InDirectory(const std::filesystem::path& dir, Body body) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  body();
  std::filesystem::current_path(previous);
}

TEST(RecordingParams, DefaultsAreThirtyFramesDefaultQualityThreeSecondsAndUntitledInTheCurrentFolder) {
  const VideoRecordingParams params;
  EXPECT_EQ(params.fps, 30);
  EXPECT_EQ(params.quality, -1);
  EXPECT_EQ(params.startDelay, 3);
  EXPECT_EQ(params.window, nullptr);
  EXPECT_TRUE(AllZero(&params.frameFormat, sizeof(params.frameFormat)));
  EXPECT_TRUE(AllZero(&params.codecInfo, sizeof(params.codecInfo)));
  EXPECT_EQ(params.filePath.str(), CurrentDirectory() + u"\\Untitled.avi");
}

TEST(RecordingParams, CopiesAreIndependentAndSelfAssignmentKeepsTheValue) {
  VideoRecordingParams source;
  source.fps = 15;
  source.codecInfo.fccHandler = dialogs_test::Fourcc("MJPG");
  VideoRecordingParams copy(source);
  copy.filePath = OdString(u"/elsewhere/other.avi");
  EXPECT_EQ(source.filePath.str(), CurrentDirectory() + u"\\Untitled.avi");
  EXPECT_EQ(copy.fps, 15);
  EXPECT_EQ(copy.codecInfo.fccHandler, dialogs_test::Fourcc("MJPG"));
  VideoRecordingParams& alias = copy;
  copy = alias;
  EXPECT_EQ(copy.filePath.str(), u"/elsewhere/other.avi");
  EXPECT_EQ(copy.fps, 15);

  CaptureTarget target(OdString(u"Current document"), reinterpret_cast<HWND>(0x1234));
  CaptureTarget other;
  other = target;
  other.name = OdString(u"changed");
  EXPECT_EQ(target.name.str(), u"Current document");
  EXPECT_EQ(other.window, target.window);
}

TEST(RecordingParams, ACurrentFolderLongerThanMaxPathIsKeptWhole) {
  const auto base = std::filesystem::temp_directory_path() / ("pcvr_long_" + std::to_string(getpid()));
  std::filesystem::path deep = base;
  while (deep.string().size() <= 300) deep /= std::string(40, 'd');
  std::filesystem::create_directories(deep);
  InDirectory(deep, [&] {
    const VideoRecordingParams params;
    const std::string expected = std::filesystem::current_path().string() + "\\Untitled.avi";
    EXPECT_EQ(params.filePath.str(), std::u16string(expected.begin(), expected.end()));
    EXPECT_GT(params.filePath.getLength(), MAX_PATH);
  });
  std::filesystem::remove_all(base);
}

TEST(RecordingParams, ARemovedCurrentFolderGivesAPathRelativeToIt) {
  const auto gone = std::filesystem::temp_directory_path() / ("pcvr_gone_" + std::to_string(getpid()));
  std::filesystem::create_directories(gone);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);
  const VideoRecordingParams params;
  std::filesystem::current_path(previous);
  EXPECT_EQ(params.filePath.str(), u".\\Untitled.avi");
}

TEST(CaptureTargets, AnOddClientSizeIsMadeEvenAt32BitsPerPixel) {
  auto window = MakeWindow(801, 601);
  const CaptureTarget target(OdString(u"Current document"), reinterpret_cast<HWND>(window->winId()));
  EXPECT_EQ(target.name.str(), u"Current document");
  EXPECT_EQ(target.window, reinterpret_cast<HWND>(window->winId()));
  EXPECT_EQ(target.frameFormat.biSize, 40u);
  EXPECT_EQ(target.frameFormat.biWidth, 800);
  EXPECT_EQ(target.frameFormat.biHeight, 600);
  EXPECT_EQ(target.frameFormat.biPlanes, 1);
  EXPECT_EQ(target.frameFormat.biBitCount, 32);
  EXPECT_EQ(target.frameFormat.biCompression, 0u);
  EXPECT_EQ(target.frameFormat.biSizeImage, 1920000u);
  EXPECT_EQ(target.frameFormat.biXPelsPerMeter, 0);
  EXPECT_EQ(target.frameFormat.biClrUsed, 0u);

  auto even = MakeWindow(640, 480);
  const CaptureTarget evenTarget(OdString(u"x"), reinterpret_cast<HWND>(even->winId()));
  EXPECT_EQ(evenTarget.frameFormat.biWidth, 640);
  EXPECT_EQ(evenTarget.frameFormat.biHeight, 480);
}

TEST(CaptureTargets, NoWindowOrAGoneWindowGivesAnAllZeroFormat) {
  const CaptureTarget none(OdString(u"Entire programm"), nullptr);
  EXPECT_EQ(none.window, nullptr);
  EXPECT_EQ(none.name.str(), u"Entire programm");
  EXPECT_TRUE(AllZero(&none.frameFormat, sizeof(none.frameFormat)));

  HWND goneHandle = nullptr;
  {
    auto window = MakeWindow(320, 240);
    goneHandle = reinterpret_cast<HWND>(window->winId());
  }
  QCoreApplication::processEvents();
  const CaptureTarget gone(OdString(u"Current document"), goneHandle);
  EXPECT_EQ(gone.window, goneHandle);
  EXPECT_TRUE(AllZero(&gone.frameFormat, sizeof(gone.frameFormat)));

  const CaptureTarget empty;
  EXPECT_EQ(empty.window, nullptr);
  EXPECT_TRUE(empty.name.isEmpty());
  EXPECT_TRUE(AllZero(&empty.frameFormat, sizeof(empty.frameFormat)));
}

}  // namespace
