// The live recorder on its capture thread, recording X windows of known
// colours into AVI files that ffprobe/ffmpeg read back; the desktop DC and the
// window questions it asks.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <thread>

#include "MediaProbe.h"
#include "Poll.h"
#include "Process.h"
#include "XWindows.h"
#include "movie/AviMovieWriter.h"
#include "recording/FrameClock.h"
#include "recording/parallelThreadData.h"
#include "win32/Desktop.h"
#include "win32/Gdi.h"
#include "win32/Text.h"
#include "win32/Threads.h"
#include "win32/Window.h"

namespace fs = std::filesystem;
using pcvr_test::WaitUntil;

namespace {

HWND H(pcvr_test::XWindows::Id window) { return reinterpret_cast<HWND>(window); }

// Counts frames on the recorder's own time source, due as the recorder's
// are, until `count` have been due.
class IntervalCounter final : public iEventListener {
 public:
  explicit IntervalCounter(int count) : m_count(count) {}
  bool isFinished() override { return m_ticks >= m_count; }
  bool isSuspended() override { return false; }
  void onTick() override { ++m_ticks; }

 private:
  int m_count, m_ticks = 0;
};

void WaitForFramesDue(int fps, int count) {
  IntervalCounter counter(count);
  FrameClock clock(&counter, 1000 / fps, PerformanceCounterTime());
  clock.begin(false, 0);
  clock.run();
}

class CaptureThread : public ::testing::Test {
 protected:
  // Starts the capture thread the way the start command does; no
  // compressor: frames are stored as they are.
  void Start(pcvr_test::XWindows::Id window, const std::string& file, int fps, int delay, bool noFormat = false) {
    ASSERT_EQ(g_captureThread.load(), nullptr);
    VideoRecordingParams params;
    const CaptureTarget target(u"test window", H(window));
    params.window = target.window;
    params.frameFormat = noFormat ? BITMAPINFOHEADER{} : target.frameFormat;
    params.filePath = OdString(win32::FromUtf8(file));
    params.fps = fps;
    params.startDelay = delay;
    params.codecInfo.fccHandler = 0;
    g_recorder.prepare(params);
    EXPECT_EQ(g_recorder.framesWritten(), 0u) << "the last recording's count";
    HANDLE thread = CreateThread(nullptr, 0, &CaptureThreadProc, &g_recorder, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    g_captureThread = thread;
    ResumeThread(thread);
  }

  static bool WaitUntilIdle() {
    return WaitUntil([] { return g_captureThread.load() == nullptr; });
  }
  static bool WaitForFrames(std::uint32_t count) {
    return WaitUntil([count] { return g_recorder.framesWritten() >= count; });
  }

  pcvr_test::XWindows x;
  const pcvr_test::TempDir m_temp;
  const std::string m_dir = m_temp.path().string();
};

// Red, then green while the window has the focus; yellow only while another
// window has it, so no frame may show it; blue once the focus is back.
TEST_F(CaptureThread, RecordsTheWindowsPixelsAtItsEvenClientSizeWhileItHasTheFocus) {
  const auto window = x.create(0, 100, 100, 161, 121, 0, 0xFF0000u);  // odd size: frames are 160 x 120
  const auto other = x.create(0, 500, 400, 64, 48);
  x.focus(window);
  const std::string file = m_dir + "/colours.avi";
  Start(window, file, 20, 0);
  bool recorded = WaitForFrames(3);
  x.repaint(window, 0x00FF00);
  recorded = recorded && WaitForFrames(g_recorder.framesWritten() + 3);
  x.focus(other);
  x.repaint(window, 0xFFFF00u);
  // Yellow stays while six frames fall due on the recorder's time source: a
  // recorder that ignored the focus would take them.
  WaitForFramesDue(20, 6);
  x.repaint(window, 0x0000FFu);
  x.focus(window);
  recorded = recorded && WaitForFrames(g_recorder.framesWritten() + 3);
  g_recorder.m_stop = true;
  WaitUntilIdle();
  ASSERT_TRUE(recorded) << "no frames: does the window have the focus?";

  EXPECT_FALSE(g_recorder.failed());
  const std::uint32_t frames = g_recorder.framesWritten();
  const auto probe = pcvr_test::Probe(file);
  EXPECT_EQ(probe.shape(), "160x120 20/1 " + std::to_string(frames));
  const auto decoded = pcvr_test::DecodeBgr(file, 160, 120);
  ASSERT_EQ(decoded.size(), frames);
  const auto pixel = [&](std::size_t frame, int x, int y) { return pcvr_test::Rgb(decoded[frame], 160, x, y); };
  EXPECT_EQ(pixel(0, 80, 60), 0xFF0000u);
  EXPECT_EQ(pixel(0, 2, 2), 0xFF0000u);
  int green = 0;
  for (std::size_t f = 0; f < frames; ++f) {
    EXPECT_NE(pixel(f, 80, 60), 0xFFFF00u) << "frame " << f << " was taken while another window had the focus";
    green += pixel(f, 80, 60) == 0x00FF00u;
  }
  EXPECT_GT(green, 0);
  EXPECT_EQ(pixel(frames - 1, 80, 60), 0x0000FFu);
  EXPECT_EQ(pixel(frames - 1, 157, 117), 0x0000FFu);
}

// Captures that end by themselves or are stopped early: idle again, a failure
// kept once with its reason, earlier frames readable, no file without frames.
TEST_F(CaptureThread, ACaptureEndsByItselfWithItsFramesAndItsReason) {
  enum class Then { Wait, CloseWindow, Stop };
  struct Case {
    const char* name;
    int fps, delay;
    bool noFormat;
    std::string file;
    rlim_t fileSizeLimit;  // 0: none
    Then then;
    std::u16string reason;  // empty: not a failure
    bool framesKept;
  };
  const std::vector<Case> cases = {
      {"window closed", 20, 0, false, m_dir + "/closed.avi", 0, Then::CloseWindow, u"", true},
      // A delay of more than 24 days in milliseconds is past 32 bits: it
      // must not wrap round into a delay that has already passed.
      {"stopped in an hour's delay", 20, 3600, false, m_dir + "/hour.avi", 0, Then::Stop, u"", false},
      {"stopped in a delay past 32 bits", 20, 3'000'000, false, m_dir + "/long.avi", 0, Then::Stop, u"", false},
      {"no frame rate", 0, 0, false, m_dir + "/nofps.avi", 0, Then::Wait, u"No Frame Rate to Record At", false},
      {"no frame format", 20, 0, true, m_dir + "/noformat.avi", 0, Then::Wait, u"Unable to Create the Frame Bitmaps",
       false},
      {"missing folder", 20, 0, false, m_dir + "/no/such/folder/x.avi", 0, Then::Wait,
       u"Unable to Create the Movie File", false},
      {"disk full after some frames", 20, 0, false, m_dir + "/full.avi", 64 * 1024, Then::Wait,
       u"Unable to Write Video Stream to the output Movie File", true},
  };
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto window = x.create(0, 600, 300, 64, 48, 0, 0xFF00FF);
    x.focus(window);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    if (c.fileSizeLimit != 0) {
      rlimit limited = previous;
      limited.rlim_cur = c.fileSizeLimit;
      setrlimit(RLIMIT_FSIZE, &limited);
    }
    Start(window, c.file, c.fps, c.delay, c.noFormat);
    if (c.then == Then::CloseWindow) {
      EXPECT_TRUE(WaitForFrames(3));
      x.destroy(window);
    }
    if (c.then == Then::Stop) g_recorder.m_stop = true;
    EXPECT_TRUE(WaitUntilIdle());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::u16string reason;
    EXPECT_EQ(g_recorder.failed(), !c.reason.empty());
    EXPECT_EQ(g_recorder.takePendingFailure(&reason), !c.reason.empty());
    EXPECT_TRUE(reason == c.reason) << win32::ToUtf8(reason);
    EXPECT_FALSE(g_recorder.takePendingFailure(&reason));  // reported once
    if (c.framesKept) {
      EXPECT_GT(g_recorder.framesWritten(), 0u);
      EXPECT_EQ(pcvr_test::Probe(c.file).decodedFrames, static_cast<int>(g_recorder.framesWritten()));
    } else {
      EXPECT_EQ(g_recorder.framesWritten(), 0u);
      EXPECT_LE(g_recorder.savedElapsedSeconds(), 0);
      std::error_code ignored;  // a name over the system's limit cannot exist
      EXPECT_FALSE(fs::exists(c.file, ignored));
    }
    if (c.then != Then::CloseWindow) x.destroy(window);
  }
}

// Copies a screen area through the desktop DC into a 32-bit DIB; returns the
// pixel at (x, y from the top) of the copy as 0xRRGGBB.
DWORD GrabPixel(int x, int y, int w, int h, int outW, int outH, int atX, int atY) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), outW, outH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SetStretchBltMode(memory, COLORONCOLOR);
  EXPECT_TRUE(StretchBlt(memory, 0, 0, outW, outH, screen, x, y, w, h, SRCCOPY));
  // Bits read directly are whole after the flush, as on Windows.
  EXPECT_TRUE(GdiFlush());
  const DWORD pixel = static_cast<const DWORD*>(bits)[(outH - 1 - atY) * outW + atX] & 0xFFFFFF;  // bottom-up
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixel;
}

// Red with blue over its top right quarter, copied whole, at half size, from
// another thread, and partly off the screen's edge (clipped).
TEST(XWindows, TheDesktopDcReadsWhatIsOnTheScreen) {
  pcvr_test::XWindows x;
  const int screenWidth = x.screenWidth();
  x.create(0, 40, 50, 200, 100, 0, 0xFF0000);
  x.create(0, 140, 50, 100, 50, 0, 0x0000FF);
  x.create(0, screenWidth - 50, 10, 100, 40, 0, 0x00FF00);
  struct Case {
    int outW, outH, atX, atY;
    DWORD expected;
  };
  for (const Case& c : std::vector<Case>{{200, 100, 10, 90, 0xFF0000},
                                         {200, 100, 190, 10, 0x0000FF},
                                         {200, 100, 10, 10, 0xFF0000},
                                         {100, 50, 5, 45, 0xFF0000},
                                         {100, 50, 95, 5, 0x0000FF}}) {
    EXPECT_EQ(GrabPixel(40, 50, 200, 100, c.outW, c.outH, c.atX, c.atY), c.expected) << c.outW << " " << c.atX;
  }
  DWORD seen = 0;
  std::thread capture([&] { seen = GrabPixel(40, 50, 200, 100, 200, 100, 190, 10); });
  capture.join();
  EXPECT_EQ(seen, 0x0000FFu);
  EXPECT_EQ(GrabPixel(screenWidth - 50, 10, 100, 40, 100, 40, 10, 19), 0x00FF00u);
}

// A whole frame read 1:1 into a large DIB section is the X server writing
// straight into its bits (rows top-down until flushed) where it shares
// memory, and a copy where it does not; either way GDI, the compressor
// (lossless and uncompressed files) and, after GdiFlush, the bits all see it
// the right way up. The read is made on a thread whose connection closes
// before the bitmap is freed.
TEST(XWindows, AWholeFrameReadLandsInTheBitmapsBits) {
  pcvr_test::XWindows x;
  x.create(0, 40, 400, 600, 300, 0, 0xFF0000);
  x.create(0, 340, 400, 300, 150, 0, 0x0000FF);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 600, 300, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  const auto readScreen = [&] {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(memory, 0, 0, 600, 300, screen, 40, 400, SRCCOPY));
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  };
  std::thread(readScreen).join();
  bool topDown = false;
  ASSERT_TRUE(win32::DibRowsTopDown(bits, &topDown));
  // Without shared memory (a remote display) the rows come by a copy.
  EXPECT_EQ(topDown, x.sharesMemory());
  // GetDIBits, top-down: blue at the top right, red at the bottom left.
  std::vector<DWORD> rows(600 * 300);
  BITMAPINFO topDownInfo = info;
  topDownInfo.bmiHeader.biHeight = -300;
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 300, rows.data(), &topDownInfo, DIB_RGB_COLORS), 300);
  DeleteDC(dc);
  EXPECT_EQ(rows[5 * 600 + 590] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(rows[295 * 600 + 5] & 0xFFFFFF, 0xFF0000u);
  const pcvr_test::TempDir temp;
  for (DWORD codec : {MAKEFOURCC('H', 'F', 'Y', 'U'), DWORD{0}}) {
    const std::string file = temp.str("frame" + std::to_string(codec) + ".avi");
    {
      AviMovieWriter writer(win32::FromUtf8(file).c_str(), codec, 10, -1);
      EXPECT_EQ(writer.appendFrame(bitmap), S_OK);
    }
    const auto frames = pcvr_test::DecodeBgr(file, 600, 300);
    ASSERT_EQ(frames.size(), 1u) << file;
    EXPECT_EQ(pcvr_test::Rgb(frames[0], 600, 590, 5), 0x0000FFu) << file;
    EXPECT_EQ(pcvr_test::Rgb(frames[0], 600, 5, 295), 0xFF0000u) << file;
  }
  EXPECT_TRUE(GdiFlush());  // a bitmap drawn on another thread stays as it is
  EXPECT_TRUE(win32::DibRowsTopDown(bits, &topDown) && topDown == x.sharesMemory());
  // Read again here and flushed: the bits bottom-up, as the header says.
  readScreen();
  EXPECT_TRUE(GdiFlush());
  EXPECT_TRUE(win32::DibRowsTopDown(bits, &topDown) && !topDown);
  EXPECT_EQ(static_cast<const DWORD*>(bits)[299 * 600 + 590] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(static_cast<const DWORD*>(bits)[5] & 0xFFFFFF, 0xFF0000u);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(win32::DibRowsTopDown(bits, &topDown));
}

TEST(XWindows, ForegroundAndRootAncestor) {
  pcvr_test::XWindows x;
  const auto top = x.create(0, 500, 400, 120, 80, 0, 0x808080);
  const auto child = x.create(top, 10, 10, 30, 30, 0, 0xFFFFFF);
  EXPECT_EQ(GetAncestor(H(child), GA_ROOT), H(top));
  EXPECT_EQ(GetAncestor(H(top), GA_ROOT), H(top));
  EXPECT_EQ(GetAncestor(H(child), GA_PARENT), H(top));
  EXPECT_EQ(GetDesktopWindow(), H(x.root()));
  x.focus(child);
  EXPECT_EQ(GetForegroundWindow(), H(top));
  const auto other = x.create(0, 700, 400, 50, 50);
  x.focus(other);
  EXPECT_EQ(GetForegroundWindow(), H(other));
  x.destroy(top);
  EXPECT_FALSE(IsWindow(H(child)));
  EXPECT_FALSE(IsWindow(H(top)));
}

}  // namespace
