// The live recorder on its capture thread, recording X windows of known
// colours into AVI files that ffprobe/ffmpeg read back.
#include <gtest/gtest.h>
// Xlib's macros must come after GoogleTest's headers.
#include <X11/Xlib.h>

#include <signal.h>
#include <sys/resource.h>

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
    g_recorder.m_stop = true;
    WaitUntilIdle();
  }

  // Polls up to twenty seconds; false when the condition never held.
  template <typename Condition>
  static bool WaitUntil(Condition condition) {
    for (int i = 0; i < 4000 && !condition(); ++i) Sleep(5);
    return condition();
  }
  static void WaitUntilIdle() { WaitUntil([] { return g_captureThread.load() == nullptr; }); }
  static bool WaitForFrames(std::uint32_t count) {
    return WaitUntil([count] { return g_recorder.framesWritten() >= count; });
  }

  std::string m_dir;
};

// Red, then green while the window has the focus; yellow only while another
// window has it, so no frame may show it; blue once the focus is back.
TEST_F(CaptureThread, RecordsTheWindowsPixelsAtItsEvenClientSizeWhileItHasTheFocus) {
  const Window window = MakeWindow(100, 100, 161, 121, 0xFF0000);  // odd size: frames are 160 x 120
  const Window other = MakeWindow(500, 400, 64, 48, 0x000000);
  Focus(window);
  const std::string file = m_dir + "/colours.avi";
  Start(Params(window, file, 20, 0));
  bool recorded = WaitForFrames(3);
  Repaint(window, 0x00FF00);
  recorded = recorded && WaitForFrames(g_recorder.framesWritten() + 3);
  Focus(other);
  Repaint(window, 0xFFFF00);
  // Yellow stays for a few frame intervals: the span in which a recorder
  // that ignored the focus would take it.
  Sleep(250);
  Repaint(window, 0x0000FF);
  Focus(window);
  recorded = recorded && WaitForFrames(g_recorder.framesWritten() + 3);
  StopAndWait();
  ASSERT_TRUE(recorded) << "no frames: does the window have the focus?";

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
  int green = 0;
  for (std::size_t f = 0; f < frames; ++f) {
    EXPECT_NE(pixel(f, 80, 60), 0xFFFF00) << "frame " << f << " was taken while another window had the focus";
    green += pixel(f, 80, 60) == 0x00FF00;
  }
  EXPECT_GT(green, 0);
  EXPECT_EQ(pixel(frames - 1, 80, 60), 0x0000FF);
  EXPECT_EQ(pixel(frames - 1, 157, 117), 0x0000FF);
  XDestroyWindow(m_display, other);
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

TEST_F(CaptureThread, StoppedDuringTheStartDelayNoFrameAndNoFile) {
  const Window window = MakeWindow(600, 100, 64, 48, 0x00FFFF);
  Focus(window);
  // A delay of more than 24 days in milliseconds is past 32 bits: it must
  // not wrap round into a delay that has already passed.
  for (const int delay : {3600, 3'000'000}) {
    const std::string file = m_dir + "/delayed" + std::to_string(delay) + ".avi";
    Start(Params(window, file, 20, delay));
    StopAndWait();
    EXPECT_EQ(g_recorder.framesWritten(), 0u) << delay;
    EXPECT_LE(g_recorder.savedElapsedSeconds(), 0) << delay;
    EXPECT_FALSE(g_recorder.failed()) << delay;
    EXPECT_FALSE(fs::exists(file)) << delay;
  }
  XDestroyWindow(m_display, window);
}

// Captures that fail end by themselves, back to idle, with a reason kept
// for the end command; frames written before a failed write stay readable.
TEST_F(CaptureThread, AFailedCaptureEndsByItselfAndKeepsItsReason) {
  const Window window = MakeWindow(600, 300, 64, 48, 0xFF00FF);
  Focus(window);
  struct Case {
    const char* name;
    int fps;
    bool noFormat;
    std::string file;
    rlim_t fileSizeLimit;  // 0: none
    std::u16string reason;
  };
  const std::vector<Case> cases = {
      {"no frame rate", 0, false, m_dir + "/nofps.avi", 0, u"No Frame Rate to Record At"},
      {"no frame format", 20, true, m_dir + "/noformat.avi", 0, u"Unable to Create the Frame Bitmaps"},
      {"missing folder", 20, false, m_dir + "/no/such/folder/x.avi", 0, u"Unable to Create the Movie File"},
      {"name over 259 characters", 20, false, m_dir + "/" + std::string(300, 'n') + ".avi", 0,
       u"Unable to Create the Movie File: the File Name is Longer than 259 Characters"},
      {"disk full after some frames", 20, false, m_dir + "/full.avi", 64 * 1024,
       u"Unable to Write Video Stream to the output Movie File"},
  };
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto params = Params(window, c.file, c.fps, 0);
    if (c.noFormat) params.frameFormat = BITMAPINFOHEADER{};
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    if (c.fileSizeLimit != 0) {
      rlimit limited = previous;
      limited.rlim_cur = c.fileSizeLimit;
      setrlimit(RLIMIT_FSIZE, &limited);
    }
    Start(params);
    WaitUntilIdle();
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_EQ(g_captureThread.load(), nullptr);
    EXPECT_TRUE(g_recorder.failed());
    std::u16string reason;
    EXPECT_TRUE(g_recorder.takePendingFailure(&reason));
    EXPECT_TRUE(reason == c.reason) << win32::ToUtf8(reason);
    EXPECT_FALSE(g_recorder.takePendingFailure(&reason));  // reported once
    if (c.fileSizeLimit != 0) {
      EXPECT_GT(g_recorder.framesWritten(), 0u);
      EXPECT_EQ(avitest::Probe(c.file).decodedFrames, static_cast<int>(g_recorder.framesWritten()));
    } else {
      EXPECT_EQ(g_recorder.framesWritten(), 0u);
      std::error_code ignored;  // a name over the system's limit cannot exist
      EXPECT_FALSE(fs::exists(c.file, ignored));
    }
  }
  XDestroyWindow(m_display, window);
}

}  // namespace
