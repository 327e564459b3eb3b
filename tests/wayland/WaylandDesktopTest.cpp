// Wayland desktops: pchost is an X program there, on the desktop's rootless
// Xwayland, which keeps no picture of its screen. Each compositor runs
// headless for the test; the recording and the screenshot are decoded with
// ffmpeg.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <regex>

#include "MediaProbe.h"
#include "PchostRunner.h"
#include "Poll.h"

namespace fs = std::filesystem;

namespace {

struct Desktop {
  const char* compositor;
  // Whether the host's window gets the focus there. Weston's headless backend
  // has no seat: frames are skipped as when another program is in front (but
  // one, showing the options dialog's frame, as that dialog closes).
  bool focusesWindows;
};

void PrintTo(const Desktop& desktop, std::ostream* out) { *out << desktop.compositor; }

bool Installed(const std::string& program) {
  return pcvr_test::RunProcess({"sh", "-c", "command -v " + program}).exitCode == 0;
}

class WaylandDesktop : public ::testing::TestWithParam<Desktop> {
 protected:
  void SetUp() override {
    for (const char* program : {GetParam().compositor, "Xwayland"})
      if (!Installed(program)) GTEST_SKIP() << program << " is not installed (Debian: weston, sway, xwayland)";
    // sway refuses to run as root: it and its X programs run as nobody.
    if (getuid() == 0 && std::string(GetParam().compositor) == "sway") {
      const passwd* nobody = getpwnam("nobody");
      ASSERT_NE(nobody, nullptr);
      m_asUser = {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid), "--regid=" + std::to_string(nobody->pw_gid),
                  "--clear-groups", "--"};
      std::vector<std::string> reach = m_asUser;
      reach.insert(reach.end(), {"test", "-x", (pcvr_test::BinDir() / "pchost").string()});
      if (pcvr_test::RunProcess(reach).exitCode != 0)
        GTEST_SKIP() << "nobody cannot run " << (pcvr_test::BinDir() / "pchost").string() << " (a private folder)";
      for (const fs::path& path : {m_dir.path(), m_dir / "runtime"}) {
        fs::create_directories(path);
        ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
      }
    }
    fs::create_directories(m_dir / "runtime");
    fs::permissions(m_dir / "runtime", fs::perms::owner_all, fs::perm_options::replace);
  }

  // Runs the compositor and, on its Xwayland, pchost with the script.
  pcvr_test::PchostRun RunOnDesktop(const std::string& script) {
    std::vector<std::string> argv = m_asUser;
    pcvr_test::ProcessOptions options;
    options.environment = {"XDG_RUNTIME_DIR=" + m_dir.str("runtime")};
    options.timeoutSeconds = 150;
    fs::path displayFile = m_dir / "display";
    if (std::string(GetParam().compositor) == "sway") {
      std::ofstream(m_dir / "config") << "xwayland enable\noutput HEADLESS-1 resolution 1280x720\n"
                                      << "exec echo $DISPLAY > " << m_dir.str("display.new") << " && mv "
                                      << m_dir.str("display.new") << " " << displayFile.string() << "\n";
      argv.insert(argv.end(), {"sway", "-c", m_dir.str("config")});
      options.environment.insert(options.environment.end(),
                                 {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"});
    } else {
      displayFile = m_dir / "weston.log";
      argv.insert(argv.end(), {"weston", "--backend=headless-backend.so", "--width=1920", "--height=1080", "--xwayland",
                               "--socket=pcvr-wayland", "--idle-time=0", "--log=" + displayFile.string()});
    }
    pcvr_test::PchostRun run;
    options.whileRunning = [&](pid_t compositor) {
      static const std::regex display(R"((?:^|listening on display )(:\d+)\n)");
      std::smatch found;
      std::string text;
      const bool started = pcvr_test::WaitUntil([&] {
        text = pcvr_test::ReadFile(displayFile);
        return std::regex_search(text, found, display);
      });
      if (started) {
        pcvr_test::PchostOptions pchost;
        pchost.pchost = m_asUser.empty() ? pcvr_test::BinDir() / "pchost" : fs::path(m_asUser.front());
        if (!m_asUser.empty()) pchost.arguments = {m_asUser.begin() + 1, m_asUser.end()};
        if (!m_asUser.empty()) pchost.arguments.push_back((pcvr_test::BinDir() / "pchost").string());
        pchost.environment = {"DISPLAY=" + found[1].str(), "USERPROFILE=" + m_dir.path().string(),
                              "XDG_RUNTIME_DIR=" + m_dir.str("runtime"), "QT_QPA_PLATFORM=xcb"};
        pchost.unset = {"WAYLAND_DISPLAY"};
        pchost.timeoutSeconds = 120;
        run = pcvr_test::RunPchost(script, pchost);
      }
      kill(compositor, SIGTERM);
    };
    const auto compositor = pcvr_test::RunProcess(argv, options);
    if (run.exitCode == -1) ADD_FAILURE() << "no Xwayland display came up:\n" << compositor.output;
    return run;
  }

  pcvr_test::TempDir m_dir{"wayland-desktop-"};
  std::vector<std::string> m_asUser;  // the command prefix that runs a program as nobody
};

// The test pattern's quadrants at their centres: red, green, blue, yellow.
template <typename Pixel>
void ExpectTestPattern(int width, int height, Pixel pixel, const std::string& what) {
  EXPECT_EQ(pixel(width / 4, height / 4), 0xFF0000u) << what;
  EXPECT_EQ(pixel(3 * width / 4, height / 4), 0x00FF00u) << what;
  EXPECT_EQ(pixel(width / 4, 3 * height / 4), 0x0000FFu) << what;
  EXPECT_EQ(pixel(3 * width / 4, 3 * height / 4), 0xFFFF00u) << what;
}

// A live recording of the view at 20 frames a second, then a screenshot of it.
TEST_P(WaylandDesktop, RecordingAndScreenshotHoldTheViewsPixels) {
  const std::string avi = m_dir.str("view.avi");
  const auto run =
      RunOnDesktop("TESTPATTERN\nVIEWINFO\nSTART_VIDEO_RECORDING\ndialog press 502\ndialog set 1148 " + avi +
                   "\ndialog press 1\ndialog select 504 Current document\ndialog select 503 HuffYUV "
                   "lossless\ndialog select 505 20\ndialog set 506 0\ndialog press 1\nwait 3000\n"
                   "END_VIDEO_RECORDING\nMAKE_SCREENSHOT\nview\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  static const std::regex summary(R"(Frames: (\d+)\n Time: 0:0:(\d+) h:m:s)");
  std::smatch found;
  ASSERT_TRUE(std::regex_search(run.output, found, summary)) << run.output;
  const int frames = std::stoi(found[1]), seconds = std::stoi(found[2]);
  // The frame clock's rate holds: about 20 frames in each second counted,
  // never more than the clock allows.
  EXPECT_LE(frames, 20 * (seconds + 1)) << run.output;
  if (GetParam().focusesWindows) {
    EXPECT_GE(frames, 20 * seconds / 2) << run.output;
    const auto probe = pcvr_test::Probe(avi);
    EXPECT_EQ(probe.shape(), run.evenViewSize() + " 20/1 " + std::to_string(frames));
    const auto decoded = pcvr_test::DecodeBgr(avi, probe.width, probe.height);
    ASSERT_EQ(static_cast<int>(decoded.size()), frames);
    for (std::size_t i = 0; i < decoded.size() && !HasFailure(); ++i)
      ExpectTestPattern(
          probe.width, probe.height, [&](int x, int y) { return pcvr_test::Rgb(decoded[i], probe.width, x, y); },
          "frame " + std::to_string(i));
  }
  const fs::path png = m_dir / "Pictures/Screenshots/Orvanta/view.png";
  ASSERT_TRUE(run.hasLine("Screenshot saved:" + png.string())) << run.output;
  const auto picture = pcvr_test::DecodePicture(png);
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(std::to_string(picture.width & ~1) + "x" + std::to_string(picture.height & ~1), run.evenViewSize());
  ExpectTestPattern(
      picture.width, picture.height, [&](int x, int y) { return picture.pixel(x, y); }, "screenshot");
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandDesktop,
                         ::testing::Values(Desktop{"sway", true}, Desktop{"weston", false}),
                         [](const auto& info) { return std::string(info.param.compositor); });

}  // namespace
