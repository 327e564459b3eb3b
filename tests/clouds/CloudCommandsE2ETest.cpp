// pchost with point clouds: bad files, scripted picks, normals computed and
// cancelled, hiding and display settings seen in the view's pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "PchostRunner.h"

namespace {

namespace fs = std::filesystem;

pcvr_test::PchostRun RunClouds(const std::string& script, std::vector<std::string> files) {
  pcvr_test::PchostOptions options;
  options.arguments = {"--no-module"};
  options.arguments.insert(options.arguments.end(), files.begin(), files.end());
  options.timeoutSeconds = 120;
  return pcvr_test::RunPchost(script, options);
}

const std::string kSnowman = PCVR_SAMPLE_SNOWMAN, kTree = PCVR_SAMPLE_TREE;

TEST(CloudCommands, BadFilesSelectionAnswersAndNormalsInOneSession) {
  const pcvr_test::TempDir dir("clouds_e2e");
  const std::string cut = dir.str("cut.ply"), huge = dir.str("huge.xyz"), empty = dir.str("empty.ply"),
                    missing = dir.str("missing.ply");
  std::ofstream(cut, std::ios::binary) << "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
                                          "property float y\nproperty float z\nend_header\n0123456789ab0123456789ab";
  std::ofstream(huge) << "1 2 3\n4 5\n";
  std::ofstream(empty).close();
  const pcvr_test::PchostRun r = RunClouds(
      "CLOUDINFO\nSELECT\nhandle 4 5 77\nSELECT\nkind POINTCLOUD all\nSELECT\n^C\n"
      "PROGRESSCANCEL\n1\nCLOUDNORMALS\nkind POINTCLOUD\nCLOUDNORMALS\nhandle 4\nCLOUDINFO\n"
      "CLOUDNORMALS\nhandle 4\nCLOUDNORMALS\n^C\nSELECT\n",
      {kTree, cut, huge, missing, empty, kSnowman});
  EXPECT_EQ(r.exitCode, 6) << r.output;  // the script runs all the same
  const std::vector<std::string> lines = r.lines();
  const auto at = [&](const std::string& text) {
    return std::find_if(lines.begin(), lines.end(),
                        [&](const std::string& l) { return l.find(text) != std::string::npos; }) -
           lines.begin();
  };
  for (const std::string& line :
       {"Point cloud opened: " + kTree + " (59999 points), handle 4.",
        "Point cloud opened: " + kSnowman + " (299993 points, with normals), handle 5.",
        "Cannot open " + cut + ": the file is truncated: it holds 2 of the 3 points its header announces.",
        "Cannot open " + huge + ": line 2 has 2 values where the lines before have 3 (is the file truncated?).",
        "Cannot open " + missing + ": no such file.", "Cannot open " + empty + ": not a PLY file (the file is empty).",
        std::string("No object with handle 77."), std::string("Select objects: *Cancel*"),
        std::string("Select objects: *End of script*"), std::string("The cloud already has normals."),
        std::string("Select point cloud: *Cancel*")})
    EXPECT_TRUE(r.hasLine(line)) << line << "\n" << r.output;
  EXPECT_LT(at("Point cloud 5: sample_snowman.ply, 299993 points, normals, colours"), lines.size()) << r.output;
  // Normals first cancelled, then computed, then shown by CLOUDINFO.
  EXPECT_LT(at("Point cloud 4: sample_tree.ply, 59999 points, no normals, colours"),
            at("Normals not computed: cancelled."));
  EXPECT_LT(at("Normals not computed: cancelled."), at("Normals computed for 59999 points.")) << r.output;
  EXPECT_LT(at("Normals computed for 59999 points."), at("Point cloud 4: sample_tree.ply, 59999 points, normals"));
  // Only the two answered picks select; a cancelled or unanswered one does not.
  EXPECT_EQ(r.count("2 selected: 4 5"), 2) << r.output;
  EXPECT_EQ(r.count("2 selected: ") + r.count("1 selected: ") + r.count("0 selected"), 2) << r.output;
}

TEST(CloudCommands, HidingAndDisplaySettingsShowInTheView) {
  const pcvr_test::TempDir dir("clouds_e2e");
  const std::string png[] = {dir.str("a.png"), dir.str("hidden.png"), dir.str("shown.png"), dir.str("big.png")};
  const pcvr_test::PchostRun r =
      RunClouds("VIEWSAVEPNG\n" + png[0] + "\nHIDE\nkind POINTCLOUD\nVIEWSAVEPNG\n" + png[1] +
                    "\nCLOUDINFO\nUNHIDE\nVIEWSAVEPNG\n" + png[2] +
                    "\nCLOUDDISPLAY\nkind POINTCLOUD\n3\nNormals\nVIEWSAVEPNG\n" + png[3] + "\nCLOUDINFO\n",
                {kSnowman});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(r.hasLine("1 hidden.")) << r.output;
  EXPECT_TRUE(r.hasLine("1 shown again.")) << r.output;
  EXPECT_NE(r.output.find("coloured by its colours, hidden"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("point size 3, coloured by normals"), std::string::npos) << r.output;
  QImage image[4];
  int drawn[4] = {}, white = 0;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(image[i].load(QString::fromStdString(png[i]))) << png[i];
    for (int y = 0; y < image[i].height(); ++y)
      for (int x = 0; x < image[i].width(); ++x) {
        const QRgb p = image[i].pixel(x, y);
        drawn[i] += (p & 0xFFFFFF) != 0x212830;  // not the view's background
        if (i == 3) white += qRed(p) > 225 && qGreen(p) > 225 && qBlue(p) > 225;
      }
  }
  EXPECT_GT(drawn[0], 10000);
  EXPECT_EQ(drawn[1], 0);
  EXPECT_EQ(image[2], image[0]);
  // Bigger points cover more of the view, in the colours of the normals:
  // the snowman's white is gone.
  EXPECT_GT(drawn[3], drawn[0]);
  EXPECT_LT(white, drawn[3] / 50);
}

}  // namespace
