// The installed layout: cmake --install into a temporary prefix, then the
// installed pchost, started from there alone, loads the installed module
// (without --module), opens a sample by its name, reads Lumatrix.ini beside
// its main library, and saves a screenshot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "PchostRunner.h"

namespace {

namespace fs = std::filesystem;

TEST(Install, InstalledPchostFindsModuleAndSamplesAndTakesAScreenshot) {
  const fs::path prefix = pcvr_test::MakeTempDir("pchost-install-");
  ASSERT_FALSE(prefix.empty());
  const std::string install = std::string("\"") + PCVR_CMAKE_COMMAND + "\" --install \"" + PCVR_BUILD_DIR +
                              "\" --prefix \"" + prefix.string() + "\" > \"" + (prefix / "install.log").string() + "\" 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0) << install;
  for (const char* file : {"bin/pchost", "lib/pchost/libLMX_Main.so", "lib/pchost/PC_hostVideoRecorder.so",
                           "lib/pchost/Lumatrix.ini", "share/pchost/samples/sample_scene.dxf"})
    EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;

  pcvr_test::PchostOptions options;
  options.pchost = prefix / "bin" / "pchost";
  options.arguments = {"sample_scene.dxf"};
  options.environment = {"USERPROFILE=" + (prefix / "home").string()};
  options.timeoutSeconds = 120;
  const pcvr_test::PchostRun run = pcvr_test::RunPchost("HELPTOPICS\nMAKE_SCREENSHOT\ninstalled\n", options);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Module loaded: "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Drawing opened: " + (prefix / "share/pchost/samples/sample_scene.dxf").string()),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("Lumatrix.chm"), std::string::npos) << run.output;
  const fs::path png = prefix / "home/Pictures/Screenshots/Orvanta/installed.png";
  EXPECT_TRUE(run.hasLine("Screenshot saved:" + png.string())) << run.output;
  std::ifstream file(png, std::ios::binary);
  char signature[8] = {};
  file.read(signature, sizeof signature);
  EXPECT_EQ(std::string(signature, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  fs::remove_all(prefix);
}

}  // namespace
