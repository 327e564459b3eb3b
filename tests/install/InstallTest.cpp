// cmake --install into a temporary prefix; the installed pchost alone finds the
// module, a sample by name and Lumatrix.ini, and saves a screenshot.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "PchostRunner.h"

namespace {

namespace fs = std::filesystem;

TEST(Install, InstalledPchostFindsModuleAndSamplesAndTakesAScreenshot) {
  const pcvr_test::TempDir temp("pchost-install-");
  const fs::path& prefix = temp.path();
  const auto install = pcvr_test::RunProcess({PCVR_CMAKE_COMMAND, "--install", PCVR_BUILD_DIR, "--prefix", prefix.string()});
  ASSERT_EQ(install.exitCode, 0) << install.output;
  for (const char* file : {"bin/pchost", "lib/pchost/libLMX_Main.so", "lib/pchost/PC_hostVideoRecorder.so",
                           "lib/pchost/Lumatrix.ini", "share/pchost/samples/sample_scene.dxf",
                           "share/doc/pchost-video-recorder/README.md",
                           "share/doc/pchost-video-recorder/docs/pchost-window.png"})
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
  EXPECT_EQ(pcvr_test::DecodePicture(png).codecName, "png");
}

}  // namespace
