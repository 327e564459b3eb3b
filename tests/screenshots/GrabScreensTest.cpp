// The window grab on two Xinerama screens at factors 1 and 2, side by side in
// an Xephyr nested in an Xvfb (which would put both at one origin).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "InProcessHost.h"
#include "screenshots/GrabDocumentWindow.h"
#include "support/Poll.h"
#include "support/Process.h"
#include "support/XWindows.h"

namespace {

// Runs an X server on a free display while `body` runs with DISPLAY naming
// it; false when it never accepted connections.
bool WithXServer(std::vector<std::string> argv, const std::function<void()>& body) {
  int number = 200 + getpid() % 500;
  while (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) ++number;
  const std::string display = ":" + std::to_string(number);
  argv.insert(argv.begin() + 1, {display, "-nolisten", "tcp"});
  bool ready = false;
  pcvr_test::ProcessOptions options;
  options.timeoutSeconds = 600;  // counted from the start: longer than the body
  options.whileRunning = [&](pid_t server) {
    ready = pcvr_test::WaitUntil([&] { return std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)); },
                                 std::chrono::seconds(30));
    if (ready) {
      setenv("DISPLAY", display.c_str(), 1);
      body();
    }
    kill(server, SIGTERM);
  };
  pcvr_test::RunProcess(argv, options);
  return ready;
}

// Run on the two screens, with a view and the pointer on each.
void GrabOnEitherScreen() {
  static int argc = 1;
  static char name[] = "test_screenshot_grab_screens";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  ASSERT_EQ(QGuiApplication::screens().size(), 2);
  EXPECT_EQ(QGuiApplication::screens()[1]->devicePixelRatio(), 2.0);
  host::Document* document = pcvr_test::EnsureDocument();
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  // Device pixels throughout: the view's place and the pointer's.
  struct Case {
    const char* what;
    int viewX, viewY, pointerX, pointerY;
  };
  const Case cases[] = {
      {"view and pointer on the wide screen", 100, 80, 600, 500},
      {"view on the wide screen, pointer on the narrow one", 101, 81, 1600, 300},
      {"view on the narrow screen, pointer on the wide one", 1401, 61, 600, 500},
      {"view and pointer on the narrow screen", 1401, 61, 1600, 300},
  };
  for (const Case& c : cases) {
    // Green inside a white rim one pixel wide, on the black root: an area
    // off by a pixel, or scaled, shows at the edges.
    const auto view = x.create(0, c.viewX, c.viewY, 201, 121, 0, 0xFFFFFF);
    x.create(view, 1, 1, 199, 119, 0, 0x00FF00);
    x.warpPointer(c.pointerX, c.pointerY);
    document->setViewWindow(reinterpret_cast<HWND>(view));
    const QImage image = GrabDocumentWindow().toImage();
    EXPECT_EQ(image.size(), QSize(201, 121)) << c.what;
    int wrong = 0;
    for (int py = 0; py < image.height(); ++py)
      for (int px = 0; px < image.width(); ++px) {
        const bool rim = px == 0 || py == 0 || px == 200 || py == 120;
        wrong += (image.pixel(px, py) & 0xFFFFFF) != (rim ? 0xFFFFFFu : 0x00FF00u);
      }
    EXPECT_EQ(wrong, 0) << c.what;
    document->setViewWindow(nullptr);
    x.destroy(view);
  }
  pcvr_test::CloseAllDocuments();
}

// Every connection (Qt's, the win32 layer's, the test's) follows DISPLAY,
// so the servers start before any is opened.
TEST(GrabOnTwoScreens, PictureIsTheViewsAreaWhereverViewAndPointerAre) {
  setenv("QT_SCREEN_SCALE_FACTORS", "1;2", 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  bool nested = false;
  const bool outer = WithXServer({"Xvfb", "-screen", "0", "2200x1100x24"}, [&] {
    // Without RandR, Qt makes one screen of each Xinerama screen.
    nested = WithXServer(
        {"Xephyr", "+xinerama", "-extension", "RANDR", "-screen", "1280x1024+0+0", "-screen", "800x600+1280+0"},
        // On a thread of its own: the win32 layer's connection of that thread
        // is closed when it ends, while the server is still there.
        [] { std::thread(GrabOnEitherScreen).join(); });
  });
  EXPECT_TRUE(outer && nested) << "Xvfb and Xephyr could not be started";
}

}  // namespace
