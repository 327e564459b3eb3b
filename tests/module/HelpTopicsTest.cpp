// Help topics and the command list in pchost, installed in a folder of its own
// with or without a "Lumatrix.ini" beside its main library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/PchostRunner.h"

namespace fs = std::filesystem;
using pcvr_test::PchostOptions;
using pcvr_test::RunPchost;

namespace {

std::string Utf16Le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

TEST(HelpTopics, EveryCommandGetsItsTopicInTheConfiguredHelpFile) {
  const std::vector<std::string> names = {"START_VIDEO_RECORDING",    "PAUSE_VIDEO_RECORDING", "END_VIDEO_RECORDING",
                                          "VIDEO_FROM_TRACK",         "LMX_MAKE_SCREENSHOT",   "LMX_MAKE_4L_SCREENSHOT",
                                          "LMX_MAKE_4L_SCREENSHOT_QT"};
  const std::pair<std::string, std::string> table[] = {
      {"", ""},                                            // no configuration: no topics
      {"[Configuration]\nLanguage=en\n", "Lumatrix.chm"},  // without the key: the configuration's namesake
      {"[Other]\nLmxHelpFile=Elsewhere.chm\n", "Lumatrix.chm"},
      {"[Configuration]\nLmxHelpFile=\n", "Lumatrix.chm"},
      {"; help\r\n[configuration]\r\nLmxHelpFile = PointClouds.chm\r\n", "PointClouds.chm"},
      {Utf16Le(u"[Configuration]\r\nLmxHelpFile=Облака.chm\r\n"), "Облака.chm"},
      {"folder", ""},  // a folder instead of a file: no topics
  };
  for (const auto& [ini, helpFile] : table) {
    SCOPED_TRACE(ini);
    const pcvr_test::TempDir dir("pchost-install-");
    for (const char* file : {"pchost", "libLMX_Main.so", "PC_hostVideoRecorder.so"}) {
      fs::copy_file(pcvr_test::BinDir() / file, dir / file);
    }
    if (ini == "folder") fs::create_directory(dir / "Lumatrix.ini");
    if (!ini.empty() && ini != "folder") std::ofstream(dir / "Lumatrix.ini", std::ios::binary) << ini;
    PchostOptions options;
    options.pchost = dir / "pchost";
    const auto run = RunPchost("HELPTOPICS\n", options);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::vector<std::string> topics, expected;
    for (const auto& line : run.lines()) {
      if (line.rfind("  ", 0) == 0) topics.push_back(line.substr(2));
    }
    for (std::string name : names) {
      std::string lower = name;
      for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (!helpFile.empty()) expected.push_back(name + " ::/lmxs/idh_" + lower + " " + dir.str(helpFile));
    }
    EXPECT_EQ(topics, expected);
    EXPECT_EQ(run.hasLine("No help topics registered."), helpFile.empty()) << run.output;
  }
}

TEST(PchostCommands, TheEightCommandsAreListedWhateverTheCaseOfTheirNames) {
  const auto run = RunPchost("NO_SUCH_COMMAND\ncommands\n");
  EXPECT_EQ(run.exitCode, 3);  // an unknown command fails the script, which goes on after it
  EXPECT_TRUE(run.hasLine("Unknown command \"NO_SUCH_COMMAND\".")) << run.output;
  for (const char* name :
       {"START_VIDEO_RECORDING", "PAUSE_VIDEO_RECORDING", "END_VIDEO_RECORDING", "VIDEO_FROM_TRACK", "MAKE_SCREENSHOT",
        "MAKE_4L_SCREENSHOT", "PC_MAKE_SCREENSHOT_QT", "PC_MAKE_4L_SCREENSHOT_QT"}) {
    EXPECT_TRUE(run.hasLine(std::string("  VISUALIZATION ") + name + " " + name + " 4")) << name << "\n" << run.output;
  }
  PchostOptions options;
  options.arguments = {"--module", "/nonexistent/PC_hostVideoRecorder.so"};
  EXPECT_EQ(RunPchost("COMMANDS\n", options).exitCode, 4);
}

}  // namespace
