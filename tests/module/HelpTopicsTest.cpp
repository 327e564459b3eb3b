// Help topics as a person sees them in pchost, with the host installed in a
// folder of its own and a "Lumatrix.ini" beside its main library, or none.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "PchostRunner.h"

namespace fs = std::filesystem;
using pcvr_test::PchostOptions;
using pcvr_test::RunPchost;

namespace {

const std::vector<std::string> kHelpNames = {
    "START_VIDEO_RECORDING", "PAUSE_VIDEO_RECORDING",  "END_VIDEO_RECORDING",      "VIDEO_FROM_TRACK",
    "LMX_MAKE_SCREENSHOT",   "LMX_MAKE_4L_SCREENSHOT", "LMX_MAKE_4L_SCREENSHOT_QT"};

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class HelpTopics : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = pcvr_test::MakeTempDir("pchost-install-");
    for (const char* file : {"pchost", "libLMX_Main.so", "PC_hostVideoRecorder.so"}) {
      fs::copy_file(pcvr_test::BinDir() / file, m_dir / file);
    }
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::vector<std::string> TopicLines() {
    PchostOptions options;
    options.pchost = m_dir / "pchost";
    const auto run = RunPchost("HELPTOPICS\n", options);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::vector<std::string> topics;
    for (const auto& line : run.lines()) {
      if (line.rfind("  ", 0) == 0) topics.push_back(line.substr(2));
    }
    if (topics.empty()) {
      EXPECT_TRUE(run.hasLine("No help topics registered.")) << run.output;
    }
    return topics;
  }

  void ExpectEveryTopicWithHelpFile(const std::string& helpFile) {
    const auto topics = TopicLines();
    ASSERT_EQ(topics.size(), kHelpNames.size());
    for (std::size_t i = 0; i < kHelpNames.size(); ++i) {
      EXPECT_EQ(topics[i], kHelpNames[i] + " ::/lmxs/idh_" + Lower(kHelpNames[i]) + " " + helpFile);
    }
  }

  fs::path m_dir;
};

TEST_F(HelpTopics, NoConfigurationFileMeansNoTopics) { EXPECT_TRUE(TopicLines().empty()); }

TEST_F(HelpTopics, WithoutTheKeyTheHelpFileIsTheConfigurationsNamesakeChm) {
  std::ofstream(m_dir / "Lumatrix.ini") << "[Configuration]\nLanguage=en\n";
  ExpectEveryTopicWithHelpFile((m_dir / "Lumatrix.chm").string());
}

TEST_F(HelpTopics, WithoutTheSectionTheHelpFileIsTheConfigurationsNamesakeChm) {
  std::ofstream(m_dir / "Lumatrix.ini") << "[Other]\nLmxHelpFile=Elsewhere.chm\n";
  ExpectEveryTopicWithHelpFile((m_dir / "Lumatrix.chm").string());
}

TEST_F(HelpTopics, TheKeyNamesAHelpFileInTheSameFolder) {
  std::ofstream(m_dir / "Lumatrix.ini") << "; help\r\n[configuration]\r\nLmxHelpFile = PointClouds.chm\r\n";
  ExpectEveryTopicWithHelpFile((m_dir / "PointClouds.chm").string());
}

TEST_F(HelpTopics, AUtf16ConfigurationGivesAWideValue) {
  const std::u16string text = u"[Configuration]\r\nLmxHelpFile=Облака.chm\r\n";
  std::ofstream file(m_dir / "Lumatrix.ini", std::ios::binary);
  file.put(static_cast<char>(0xFF));
  file.put(static_cast<char>(0xFE));
  for (const char16_t c : text) {
    file.put(static_cast<char>(c & 0xFF));
    file.put(static_cast<char>(c >> 8));
  }
  file.close();
  ExpectEveryTopicWithHelpFile((m_dir / "Облака.chm").string());
}

TEST_F(HelpTopics, AnEmptyValueFallsBackToTheChm) {
  std::ofstream(m_dir / "Lumatrix.ini") << "[Configuration]\nLmxHelpFile=\n";
  ExpectEveryTopicWithHelpFile((m_dir / "Lumatrix.chm").string());
}

TEST_F(HelpTopics, AConfigurationFolderInsteadOfAFileMeansNoTopics) {
  fs::create_directory(m_dir / "Lumatrix.ini");
  EXPECT_TRUE(TopicLines().empty());
}

TEST(PchostCommands, ShowsTheEightVisualizationCommands) {
  const auto run = RunPchost("COMMANDS\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  for (const char* name : {"START_VIDEO_RECORDING", "PAUSE_VIDEO_RECORDING", "END_VIDEO_RECORDING",
                           "VIDEO_FROM_TRACK", "MAKE_SCREENSHOT", "MAKE_4L_SCREENSHOT", "PC_MAKE_SCREENSHOT_QT",
                           "PC_MAKE_4L_SCREENSHOT_QT"}) {
    EXPECT_TRUE(run.hasLine(std::string("  VISUALIZATION ") + name + " " + name + " 4")) << name << "\n"
                                                                                          << run.output;
  }
}

TEST(PchostCommands, AnUnknownCommandIsReportedAndFailsTheScript) {
  const auto run = RunPchost("NO_SUCH_COMMAND\nCOMMANDS\n");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_TRUE(run.hasLine("Unknown command \"NO_SUCH_COMMAND\".")) << run.output;
  // The script goes on after it.
  EXPECT_TRUE(run.hasLine("  VISUALIZATION MAKE_SCREENSHOT MAKE_SCREENSHOT 4")) << run.output;
}

TEST(PchostCommands, CommandNamesAreCaseInsensitive) {
  const auto run = RunPchost("commands\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("  VISUALIZATION VIDEO_FROM_TRACK VIDEO_FROM_TRACK 4")) << run.output;
}

TEST(PchostCommands, AModuleThatIsNotThereFailsTheScript) {
  PchostOptions options;
  options.arguments = {"--module", "/nonexistent/PC_hostVideoRecorder.so"};
  const auto run = RunPchost("COMMANDS\n", options);
  EXPECT_EQ(run.exitCode, 4) << run.output;
}

}  // namespace
