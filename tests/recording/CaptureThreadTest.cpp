// The live recorder on its capture thread, recording X windows of known
// colours into AVI files that ffprobe/ffmpeg read back.
#include <gtest/gtest.h>
// Xlib's macros must come after GoogleTest's headers.
#include <X11/Xlib.h>

#include <filesystem>

#include "MediaProbe.h"
#include "XTestWindows.h"
#include "recording/parallelThreadData.h"
#include "win32/Text.h"
#include "win32/Threads.h"
#include "win32/Window.h"

namespace fs = std::filesystem;

namespace {

class CaptureThread : public XTestWindows {
 protected:
  void SetUp() override {
    XTestWindows::SetUp();
    if (m_display != nullptr) m_dir = avitest::MakeTempDir();
  }
  void TearDown() override {
    if (!m_dir.empty()) fs::remove_all(m_dir);
    XTestWindows::TearDown();
  }

  VideoRecordingParams Params(Window window, const std::string& file, int fps, int delay) {
    VideoRecordingParams params;
    const CaptureTarget target(u"test window", H(window));
    params.window = target.window;
    params.frameFormat = target.frameFormat;
    params.filePath = OdString(win32::FromUtf8(file));
    params.fps = fps;
    params.startDelay = delay;
    params.codecInfo.fccHandler = 0;  // no compressor: frames stored as they are
    return params;
  }

  // Starts the capture thread the way the start command does.
  void Start(const VideoRecordingParams& params) {
    ASSERT_EQ(g_captureThread.load(), nullptr);
    g_recorder.prepare(params);
    HANDLE thread = CreateThread(nullptr, 0, &CaptureThreadProc, &g_recorder, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    g_captureThread = thread;
    ResumeThread(thread);
  }

  void StopAndWait() {
    HANDLE thread = g_captureThread.load();
    if (thread == nullptr) return;
    g_recorder.m_stop = true;
    WaitForSingleObject(thread, INFINITE);
    WaitUntilIdle();
  }

  static void WaitUntilIdle() {
    for (int i = 0; i < 2000 && g_captureThread.load() != nullptr; ++i) Sleep(5);
  }

  // Waits up to ten seconds for the recorder to have written `count` frames.
  static bool WaitForFrames(std::uint32_t count) {
    for (int i = 0; i < 2000; ++i) {
      if (g_recorder.framesWritten() >= count) return true;
      Sleep(5);
    }
    return false;
  }

  std::string m_dir;
};

TEST_F(CaptureThread, RecordsTheWindowsPixelsAtItsEvenClientSize) {
  const Window window = MakeWindow(100, 100, 161, 121, 0xFF0000);  // odd size: frames are 160 x 120
  Focus(window);
  const std::string file = m_dir + "/red-then-green.avi";
  Start(Params(window, file, 20, 0));
  ASSERT_TRUE(WaitForFrames(5)) << "no frames: does the window have the focus?";
  Repaint(window, 0x00FF00);
  const std::uint32_t before = g_recorder.framesWritten();
  const bool more = WaitForFrames(before + 5);
  StopAndWait();
  ASSERT_TRUE(more);

  EXPECT_FALSE(g_recorder.failed());
  const std::uint32_t frames = g_recorder.framesWritten();
  const auto probe = avitest::Probe(file);
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(probe.width, 160);
  EXPECT_EQ(probe.height, 120);
  EXPECT_EQ(probe.frameRate, "20/1");
  EXPECT_EQ(probe.decodedFrames, static_cast<int>(frames));
  const auto decoded = avitest::DecodeBgr(file, 160, 120);
  ASSERT_EQ(decoded.size(), frames);
  const auto pixel = [&](std::size_t frame, int x, int y) {
    const std::uint8_t* p = &decoded[frame][(static_cast<std::size_t>(y) * 160 + x) * 3];
    return (p[2] << 16) | (p[1] << 8) | p[0];
  };
  EXPECT_EQ(pixel(0, 80, 60), 0xFF0000);
  EXPECT_EQ(pixel(0, 2, 2), 0xFF0000);
  EXPECT_EQ(pixel(frames - 1, 80, 60), 0x00FF00);
  EXPECT_EQ(pixel(frames - 1, 157, 117), 0x00FF00);
  XDestroyWindow(m_display, window);
}

TEST_F(CaptureThread, AClosedWindowEndsTheRecordingWithACompleteFile) {
  const Window window = MakeWindow(50, 400, 64, 48, 0x0000FF);
  Focus(window);
  const std::string file = m_dir + "/closed.avi";
  Start(Params(window, file, 20, 0));
  const bool recording = WaitForFrames(3);
  XDestroyWindow(m_display, window);
  XSync(m_display, False);
  WaitUntilIdle();
  ASSERT_TRUE(recording);
  EXPECT_EQ(g_captureThread.load(), nullptr);  // back to idle by itself
  EXPECT_FALSE(g_recorder.failed());
  EXPECT_EQ(avitest::Probe(file).decodedFrames, static_cast<int>(g_recorder.framesWritten()));
}

TEST_F(CaptureThread, FramesAreSkippedWhileAnotherWindowHasTheFocus) {
  const Window window = MakeWindow(300, 400, 64, 48, 0xFFFF00);
  const Window other = MakeWindow(500, 400, 64, 48, 0x000000);
  Focus(window);
  const std::string file = m_dir + "/suspended.avi";
  Start(Params(window, file, 20, 0));
  if (!WaitForFrames(2)) {
    StopAndWait();
    FAIL() << "no frames while the window had the focus";
  }
  Focus(other);
  Sleep(100);  // a frame in flight may still land
  const std::uint32_t atSwitch = g_recorder.framesWritten();
  Sleep(400);
  EXPECT_EQ(g_recorder.framesWritten(), atSwitch);
  Focus(window);
  const bool resumed = WaitForFrames(atSwitch + 2);
  StopAndWait();
  EXPECT_TRUE(resumed);
  EXPECT_EQ(avitest::Probe(file).decodedFrames, static_cast<int>(g_recorder.framesWritten()));
  XDestroyWindow(m_display, other);
  XDestroyWindow(m_display, window);
}

TEST_F(CaptureThread, StoppedDuringTheStartDelayNoFrameAndNoFile) {
  const Window window = MakeWindow(600, 100, 64, 48, 0x00FFFF);
  Focus(window);
  // A delay of more than 24 days in milliseconds is past 32 bits: it must
  // not wrap round into a delay that has already passed.
  for (const int delay : {3, 3'000'000}) {
    const std::string file = m_dir + "/delayed" + std::to_string(delay) + ".avi";
    Start(Params(window, file, 20, delay));
    Sleep(300);
    StopAndWait();
    EXPECT_EQ(g_recorder.framesWritten(), 0u) << delay;
    EXPECT_LT(g_recorder.savedElapsedSeconds(), 0) << delay;
    EXPECT_FALSE(fs::exists(file)) << delay;
  }
  XDestroyWindow(m_display, window);
}

TEST_F(CaptureThread, NoFrameRateOrNoFrameFormatFailsTheStart) {
  const Window window = MakeWindow(600, 300, 64, 48, 0x00FFFF);
  Focus(window);
  auto params = Params(window, m_dir + "/nofps.avi", 0, 0);
  Start(params);
  WaitUntilIdle();
  EXPECT_TRUE(g_recorder.failed());
  params = Params(window, m_dir + "/noformat.avi", 20, 0);
  params.frameFormat = BITMAPINFOHEADER{};
  Start(params);
  WaitUntilIdle();
  EXPECT_TRUE(g_recorder.failed());
  EXPECT_FALSE(fs::exists(m_dir + "/nofps.avi"));
  XDestroyWindow(m_display, window);
}

TEST_F(CaptureThread, AnUnwritableFileFailsTheFirstFrame) {
  const Window window = MakeWindow(600, 500, 64, 48, 0xFF00FF);
  Focus(window);
  Start(Params(window, m_dir + "/no/such/folder/x.avi", 20, 0));
  WaitUntilIdle();
  EXPECT_TRUE(g_recorder.failed());
  EXPECT_EQ(g_recorder.framesWritten(), 0u);
  XDestroyWindow(m_display, window);
}

}  // namespace
