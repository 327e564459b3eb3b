// pchost with point clouds, as a person's automation drives it: clouds
// named on the command line are attached to the drawing (bad files get one
// message each), the pick answers of a script, normals computed and
// cancelled through the progress bar, isolation and display settings seen
// in the view window's pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "PchostRunner.h"

namespace {

namespace fs = std::filesystem;
using pcvr_test::PchostOptions;
using pcvr_test::PchostRun;
using pcvr_test::RunPchost;

class CloudCommands : public ::testing::Test {
 protected:
  void SetUp() override { dir = pcvr_test::MakeTempDir("clouds_e2e"); }
  void TearDown() override { fs::remove_all(dir); }

  PchostRun run(const std::string& script, std::vector<std::string> files) {
    PchostOptions options;
    options.arguments = {"--no-module"};
    options.arguments.insert(options.arguments.end(), files.begin(), files.end());
    options.timeoutSeconds = 120;
    return RunPchost(script, options);
  }
  std::string write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  // Pixels of the image that are not the view's background.
  static int Drawn(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xFFFFFF) != 0x212830) ++n;
    return n;
  }

  fs::path dir;
  const std::string snowman = PCVR_SAMPLE_SNOWMAN;
  const std::string tree = PCVR_SAMPLE_TREE;
};

TEST_F(CloudCommands, CloudsAreAttachedAndBadFilesGetOneMessageEach) {
  const std::string truncated = write("cut.ply", "ply\nformat binary_little_endian 1.0\nelement vertex 3\n"
                                                 "property float x\nproperty float y\nproperty float z\nend_header\n"
                                                 "0123456789ab0123456789ab");
  const std::string huge = write("huge.xyz", "1 2 3\n4 5\n");
  const std::string empty = write("empty.ply", "");
  const PchostRun r = run("CLOUDINFO\n", {tree, truncated, huge, (dir / "missing.ply").string(), empty, snowman});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(r.hasLine("Point cloud opened: " + tree + " (59999 points), handle 4.")) << r.output;
  EXPECT_TRUE(r.hasLine("Point cloud opened: " + snowman + " (299993 points, with normals), handle 5.")) << r.output;
  EXPECT_TRUE(r.hasLine("Cannot open " + truncated +
                        ": the file is truncated: it holds 2 of the 3 points its header announces."))
      << r.output;
  EXPECT_TRUE(r.hasLine("Cannot open " + huge + ": line 2 has 2 values where the lines before have 3 (is the file truncated?)."))
      << r.output;
  EXPECT_TRUE(r.hasLine("Cannot open " + (dir / "missing.ply").string() + ": no such file.")) << r.output;
  EXPECT_TRUE(r.hasLine("Cannot open " + empty + ": not a PLY file (the file is empty).")) << r.output;
  EXPECT_NE(r.output.find("Point cloud 4: sample_tree.ply, 59999 points, no normals, colours"), std::string::npos);
  EXPECT_NE(r.output.find("Point cloud 5: sample_snowman.ply, 299993 points, normals, colours"), std::string::npos);
}

TEST_F(CloudCommands, NormalsAreComputedForACloudWithoutAndTheProgressBarCancels) {
  const PchostRun r = run(
      "PROGRESSCANCEL\n1\nCLOUDNORMALS\nkind POINTCLOUD\nCLOUDINFO\n"
      "CLOUDNORMALS\nhandle 4\nCLOUDINFO\nCLOUDNORMALS\nhandle 4\nCLOUDNORMALS\n^C\n",
      {tree});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const auto lines = r.lines();
  auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
  EXPECT_LT(at("Normals not computed: cancelled."), at("Normals computed for 59999 points.")) << r.output;
  EXPECT_TRUE(r.hasLine("The cloud already has normals.")) << r.output;
  EXPECT_NE(r.output.find("Point cloud 4: sample_tree.ply, 59999 points, normals"), std::string::npos) << r.output;
  EXPECT_TRUE(r.hasLine("Select point cloud: *Cancel*")) << r.output;
}

TEST_F(CloudCommands, SelectionAnswersOfAScript) {
  const PchostRun r = run("SELECT\nhandle 4 5 77\nSELECT\nkind POINTCLOUD all\nSELECT\n^C\nSELECT\n", {tree, snowman});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(r.hasLine("No object with handle 77.")) << r.output;
  const std::vector<std::string> lines = r.lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "2 selected: 4 5"), 2) << r.output;
  EXPECT_TRUE(r.hasLine("Select objects: *Cancel*")) << r.output;
  EXPECT_TRUE(r.hasLine("Select objects: *End of script*")) << r.output;
  // A cancelled or unanswered pick selects nothing: only the two picks report.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find(" selected:") != std::string::npos; }),
            2);
}

TEST_F(CloudCommands, HidingAndDisplaySettingsShowInTheView) {
  const std::string png[] = {(dir / "a.png").string(), (dir / "hidden.png").string(), (dir / "shown.png").string(),
                             (dir / "big.png").string()};
  const PchostRun r = run("VIEWSAVEPNG\n" + png[0] + "\nHIDE\nkind POINTCLOUD\nVIEWSAVEPNG\n" + png[1] +
                              "\nCLOUDINFO\nUNHIDE\nVIEWSAVEPNG\n" + png[2] +
                              "\nCLOUDDISPLAY\nkind POINTCLOUD\n3\nNormals\nVIEWSAVEPNG\n" + png[3] + "\nCLOUDINFO\n",
                          {snowman});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(r.hasLine("1 hidden.")) << r.output;
  EXPECT_TRUE(r.hasLine("1 shown again.")) << r.output;
  EXPECT_NE(r.output.find("coloured by its colours, hidden"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("point size 3, coloured by normals"), std::string::npos) << r.output;
  QImage before(QString::fromStdString(png[0])), hidden(QString::fromStdString(png[1])),
      shown(QString::fromStdString(png[2])), big(QString::fromStdString(png[3]));
  ASSERT_FALSE(before.isNull());
  ASSERT_FALSE(hidden.isNull());
  ASSERT_FALSE(big.isNull());
  EXPECT_GT(Drawn(before), 10000);
  EXPECT_EQ(Drawn(hidden), 0);
  EXPECT_EQ(shown, before);
  // Bigger points cover more of the view, in the colours of the normals:
  // the snowman's white is gone.
  EXPECT_GT(Drawn(big), Drawn(before));
  int white = 0;
  for (int y = 0; y < big.height(); ++y)
    for (int x = 0; x < big.width(); ++x)
      if (qRed(big.pixel(x, y)) > 225 && qGreen(big.pixel(x, y)) > 225 && qBlue(big.pixel(x, y)) > 225) ++white;
  EXPECT_LT(white, Drawn(big) / 50);
}

}  // namespace
