// cmake --install into a temporary prefix: the installed pchost alone finds
// the module, a sample by name and Lumatrix.ini, and saves a screenshot.
// cpack -G DEB into another: the package a Debian user installs, checked as
// lintian and a packager would.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "PchostRunner.h"

namespace {

namespace fs = std::filesystem;

// What a packager expects beside the programs: manual pages, the desktop
// entry and its icon, the copyright file and the changelog.
const char* const kPackagingFiles[] = {"share/man/man1/pchost.1.gz",
                                       "share/man/man1/avi_testpattern.1.gz",
                                       "share/man/man1/pcvr_dialog_preview.1.gz",
                                       "share/applications/pchost.desktop",
                                       "share/icons/hicolor/scalable/apps/pchost.svg",
                                       "share/doc/pchost-video-recorder/copyright",
                                       "share/doc/pchost-video-recorder/changelog.gz"};
const char* const kBinaries[] = {"bin/pchost",
                                 "bin/avi_testpattern",
                                 "bin/pcvr_dialog_preview",
                                 "lib/pchost/libLMX_Main.so",
                                 "lib/pchost/libwin32.so",
                                 "lib/pchost/libmfc.so",
                                 "lib/pchost/libvfw.so",
                                 "lib/pchost/libodsdk.so",
                                 "lib/pchost/PC_hostVideoRecorder.so"};

TEST(Install, InstalledPchostFindsModuleAndSamplesAndTakesAScreenshot) {
  const pcvr_test::TempDir temp("pchost-install-");
  const fs::path& prefix = temp.path();
  const auto install =
      pcvr_test::RunProcess({PCVR_CMAKE_COMMAND, "--install", PCVR_BUILD_DIR, "--prefix", prefix.string()});
  ASSERT_EQ(install.exitCode, 0) << install.output;
  for (const char* file :
       {"bin/pchost", "lib/pchost/libLMX_Main.so", "lib/pchost/PC_hostVideoRecorder.so", "lib/pchost/Lumatrix.ini",
        "share/pchost/samples/sample_scene.dxf", "share/doc/pchost-video-recorder/README.md",
        "share/doc/pchost-video-recorder/docs/pchost-window.png"})
    EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
  for (const char* file : kPackagingFiles) EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
  const auto version = pcvr_test::RunProcess({(prefix / "bin/pchost").string(), "--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output, "pchost " PCVR_VERSION "\n");

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

// The package: its files, stripped programs and libraries with their debug
// symbols in the -dbgsym package, no ldconfig scripts, no byte of the source,
// build or package folder's path (in either package), and nothing lintian
// reports on either.
TEST(Install, DebianPackageIsStrippedCompleteAndLintianClean) {
  if (PCVR_SANITIZED) GTEST_SKIP() << "a sanitizer build is not packaged";
  const pcvr_test::TempDir temp("pchost-deb-");
  pcvr_test::ProcessOptions slow;
  slow.timeoutSeconds = 240;
  const auto cpack = pcvr_test::RunProcess(
      {PCVR_CPACK_COMMAND, "-G", "DEB", "--config", PCVR_BUILD_DIR "/CPackConfig.cmake", "-B", temp.str("out")}, slow);
  ASSERT_EQ(cpack.exitCode, 0) << cpack.output;
  fs::path deb, ddeb;
  for (const auto& entry : fs::directory_iterator(temp / "out")) {
    if (entry.path().extension() == ".deb") deb = entry.path();
    if (entry.path().extension() == ".ddeb") ddeb = entry.path();
  }
  for (const auto& [package, tree] : {std::pair{deb, temp / "root"}, std::pair{ddeb, temp / "dbgsym"}})
    ASSERT_EQ(pcvr_test::RunProcess({"dpkg-deb", "--raw-extract", package.string(), tree.string()}).exitCode, 0)
        << package << "\n"
        << cpack.output;

  const fs::path usr = temp / "root/usr";
  for (const char* file : kPackagingFiles) EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
  for (const char* file : kBinaries)
    EXPECT_EQ(pcvr_test::ReadFile(usr / file).find(".debug_info"), std::string::npos) << file << " not stripped";
  std::size_t symbolFiles = 0;
  for (const auto& entry : fs::recursive_directory_iterator(temp / "dbgsym/usr/lib/debug/.build-id"))
    symbolFiles += entry.path().extension() == ".debug" &&
                   pcvr_test::ReadFile(entry.path()).find(".debug_info") != std::string::npos;
  EXPECT_EQ(symbolFiles, std::size(kBinaries));
  EXPECT_FALSE(fs::exists(temp / "root/DEBIAN/postinst"));
  EXPECT_FALSE(fs::exists(temp / "root/DEBIAN/postrm"));
  EXPECT_EQ(pcvr_test::ReadFile(temp / "root/DEBIAN/control").find("localhost"), std::string::npos);
  for (const fs::path& tree : {temp / "root", temp / "dbgsym"}) {
    for (const auto& entry : fs::recursive_directory_iterator(tree)) {
      if (!entry.is_regular_file()) continue;
      const std::string bytes = pcvr_test::ReadFile(entry.path());
      for (const std::string& folder : {std::string(PCVR_SOURCE_DIR), std::string(PCVR_BUILD_DIR), temp.str("out")})
        EXPECT_EQ(bytes.find(folder), std::string::npos) << entry.path() << " names the folder " << folder;
    }
  }

  if (!fs::exists("/usr/bin/lintian")) GTEST_SKIP() << "lintian is not installed (Debian package lintian)";
  // Errors and warnings both fail (standard error only says lintian runs as
  // root); the packaging says why of any tag it overrides.
  slow.withStandardError = false;
  const auto lintian =
      pcvr_test::RunProcess({"lintian", "--fail-on", "error,warning", deb.string(), ddeb.string()}, slow);
  EXPECT_EQ(lintian.exitCode, 0) << lintian.output;
  EXPECT_EQ(lintian.output, "");
}

}  // namespace
