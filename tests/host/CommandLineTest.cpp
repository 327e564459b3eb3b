// Every program answers --help (exit 0) and refuses an unknown option (exit 2)
// without doing anything; pchost also takes Qt's own options, says why it
// cannot start (exit 2, 5), and why a file named to it cannot be opened (6).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PchostRunner.h"
#include "Poll.h"

namespace {

TEST(CommandLine, HelpAnswersAndUnknownOptionsAreRefused) {
  const struct {
    const char* program;
    std::vector<std::string> arguments;
    int exitCode;
    const char* printed;
  } cases[] = {
      {"pchost", {"--help"}, 0, "Usage: pchost"},
      {"pchost", {"-h"}, 0, "--no-module"},
      {"pchost", {"--bogus"}, 2, "Usage: pchost"},
      {"pchost", {"--script"}, 2, "Usage: pchost"},
      {"pchost", {"--script", "/nonexistent/script.txt"}, 2, "cannot read script"},
      {"avi_testpattern", {"--help"}, 0, "Usage: avi_testpattern"},
      {"avi_testpattern", {"--bogus"}, 2, "Usage: avi_testpattern"},
      {"avi_testpattern", {"--list", "--bogus"}, 2, "Usage: avi_testpattern"},
      {"make_sample_clouds", {"--help"}, 0, "usage: make_sample_clouds"},
      {"make_sample_clouds", {"--bogus", "x.ply"}, 2, "usage: make_sample_clouds"},
      {"make_sample_scene", {"--help"}, 0, "usage: make_sample_scene"},
      {"make_sample_scene", {"--bogus"}, 2, "usage: make_sample_scene"},
      {"pcvr_dialog_preview", {"--help"}, 0, "Usage: pcvr_dialog_preview"},
      {"pcvr_dialog_preview", {"500", "--bogus"}, 2, "Usage: pcvr_dialog_preview"},
  };
  const auto cwd = std::filesystem::current_path();
  for (const auto& c : cases) {
    std::vector<std::string> argv{(pcvr_test::BinDir() / c.program).string()};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const pcvr_test::ProcessRun run = pcvr_test::RunProcess(argv);
    const std::string what = std::string(c.program) + " " + (c.arguments.empty() ? "" : c.arguments[0]);
    EXPECT_EQ(run.exitCode, c.exitCode) << what << "\n" << run.output;
    EXPECT_NE(run.output.find(c.printed), std::string::npos) << what << "\n" << run.output;
    for (const std::string& argument : c.arguments)
      EXPECT_FALSE(std::filesystem::exists(cwd / argument)) << what << " made a file named " << argument;
  }
}

TEST(CommandLine, PchostSaysWhyItCannotStart) {
  const struct {
    std::vector<std::string> arguments;
    bool withDisplay;
    int exitCode;
    const char* printed;
  } cases[] = {
      {{"--script", "/"}, true, 2, "pchost: cannot read script /: it is a folder."},
      {{"--script", "/nonexistent/s"}, true, 2, "pchost: cannot read script /nonexistent/s: no such file."},
      {{}, false, 5, "pchost: no X display could be opened: DISPLAY is not set"},
      {{"-display", ":4095"}, false, 5, "pchost: no X display could be opened at \":4095\"."},
  };
  for (const auto& c : cases) {
    pcvr_test::ProcessOptions options;
    if (!c.withDisplay) options.unset = {"DISPLAY"};
    std::vector<std::string> argv{(pcvr_test::BinDir() / "pchost").string()};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const pcvr_test::ProcessRun run = pcvr_test::RunProcess(argv, options);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.printed << "\n" << run.output;
    EXPECT_NE(run.output.find(c.printed), std::string::npos) << run.output;
  }
}

TEST(CommandLine, FilesThatCannotBeOpenedSayWhyWhateverTheirKind) {
  // The script runs on what did open; the exit code says something did not.
  const pcvr_test::TempDir dir("command-line-files-");
  std::filesystem::create_directory(dir / "folder.dxf");
  std::filesystem::create_directory(dir / "folder.ply");
  ASSERT_EQ(pcvr_test::RunProcess({"mkfifo", dir.str("fifo.xyz")}).exitCode, 0);  // opened, it would block
  std::ofstream(dir / "drawing.obj") << "v 0 0 0\n";
  const struct {
    const char* file;
    const char* reason;
  } cases[] = {{"missing.dxf", "no such file"},        {"missing.ply", "no such file"},
               {"missing.obj", "no such file"},        {"folder.dxf", "it is a folder"},
               {"folder.ply", "it is a folder"},       {"fifo.xyz", "not a regular file"},
               {"drawing.obj", "no reader for it yet"}};
  pcvr_test::PchostOptions options;
  options.arguments = {"--no-module"};
  for (const auto& c : cases) options.arguments.push_back(dir.str(c.file));
  const pcvr_test::PchostRun run = pcvr_test::RunPchost("echo still running\n", options);
  EXPECT_EQ(run.exitCode, 6) << run.output;
  EXPECT_TRUE(run.hasLine("still running")) << run.output;
  for (const auto& c : cases)
    EXPECT_TRUE(run.hasLine("Cannot open " + dir.str(c.file) + ": " + c.reason + ".")) << c.file << "\n" << run.output;
}

TEST(CommandLine, PchostTakesQtsOwnOptions) {
  // The X server given by -display alone (no DISPLAY) serves Qt and the
  // layers: a screenshot of the view is taken there.
  const char* display = std::getenv("DISPLAY");
  ASSERT_NE(display, nullptr);
  const pcvr_test::TempDir profile("command-line-");
  pcvr_test::PchostOptions options;
  options.arguments = {"-platform", "xcb", "-display", display, "-style", "Fusion"};
  options.unset = {"DISPLAY"};
  options.environment = {"USERPROFILE=" + profile.path().string()};
  const pcvr_test::PchostRun run = pcvr_test::RunPchost("TESTPATTERN\nMAKE_SCREENSHOT\nshot\n", options);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("Screenshot saved:" + profile.str("Pictures/Screenshots/Orvanta/shot.png"))) << run.output;
}

// The window options --help lists reach the main window: its size and place,
// title and WM_CLASS instance, as xwininfo reads them off the X server once
// the window is mapped.
TEST(CommandLine, PchostsMainWindowTakesQtsWindowOptions) {
  const auto help = pcvr_test::RunProcess({(pcvr_test::BinDir() / "pchost").string(), "--help"});
  for (const char* option :
       {"-platform NAME", "-display DISPLAY", "-geometry WxH+X+Y", "-title TEXT", "-name NAME", "-style NAME"})
    EXPECT_NE(help.output.find(std::string("\n  ") + option + " "), std::string::npos) << option << help.output;
  pcvr_test::PchostOptions options;
  options.arguments = {"--no-module", "-geometry", "800x600+30+40", "-title", "Options probe", "-name", "optionsprobe"};
  std::string window;
  options.whileRunning = [&](pid_t pid) {
    pcvr_test::WaitUntil(
        [&] {
          const std::string tree = pcvr_test::RunProcess({"xwininfo", "-root", "-tree"}, pcvr_test::kQuiet).output;
          const std::size_t instance = tree.find("(\"optionsprobe\" ");
          if (instance == std::string::npos) return false;
          const std::size_t id = tree.rfind("0x", instance);
          window = pcvr_test::RunProcess({"xwininfo", "-id", tree.substr(id, tree.find(' ', id) - id)}).output;
          return window.find("IsViewable") != std::string::npos;
        },
        std::chrono::seconds(30));
    kill(pid, SIGTERM);
  };
  pcvr_test::RunPchost("wait 60000\n", options);
  EXPECT_NE(window.find("\"Options probe\""), std::string::npos) << window;
  EXPECT_NE(window.find("-geometry 800x600+30+40"), std::string::npos) << window;
}

}  // namespace
