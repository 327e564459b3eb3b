// VIDEO_FROM_TRACK from end to end: pchost opens a drawing with a straight
// trajectory, the script picks it and fills the options dialog, and the AVI
// file is read back with ffprobe/ffmpeg.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include <signal.h>

#include <chrono>

#include "MediaProbe.h"
#include "AviWalker.h"
#include "PchostRunner.h"
#include "Poll.h"

namespace fs = std::filesystem;

namespace {

std::string Pairs(std::initializer_list<std::pair<int, std::string>> pairs) {
  std::string out;
  for (const auto& [code, value] : pairs) out += std::to_string(code) + "\n" + value + "\n";
  return out;
}

// A street of ten units along X (handle A1), a second one (A2), a line that
// is no trajectory (B1), and red boxes on both sides to fly past.
std::string Street() {
  std::string entities =
      Pairs({{0, "LWPOLYLINE"},
             {5, "A1"},
             {90, "2"},
             {70, "0"},
             {38, "0.5"},
             {10, "0"},
             {20, "0"},
             {10, "10"},
             {20, "0"}}) +
      Pairs({{0, "LWPOLYLINE"}, {5, "A2"}, {90, "2"}, {70, "0"}, {10, "0"}, {20, "3"}, {10, "10"}, {20, "3"}}) +
      Pairs({{0, "LINE"}, {5, "B1"}, {10, "0"}, {20, "-3"}, {11, "10"}, {21, "-3"}}) +
      // Trajectories of no length: two equal vertices, one vertex, a spline
      // whose control points coincide.
      Pairs({{0, "LWPOLYLINE"}, {5, "A3"}, {90, "2"}, {70, "0"}, {10, "4"}, {20, "0"}, {10, "4"}, {20, "0"}}) +
      Pairs({{0, "LWPOLYLINE"}, {5, "A4"}, {90, "1"}, {70, "0"}, {10, "4"}, {20, "0"}}) +
      Pairs({{0, "SPLINE"}, {5, "A5"}, {70, "8"}, {71, "3"}, {72, "8"}, {73, "4"}, {40, "0"}, {40, "0"}, {40, "0"},
             {40, "0"},     {40, "1"}, {40, "1"}, {40, "1"}, {40, "1"}, {10, "4"}, {20, "1"}, {30, "0"}, {10, "4"},
             {20, "1"},     {30, "0"}, {10, "4"}, {20, "1"}, {30, "0"}, {10, "4"}, {20, "1"}, {30, "0"}});
  for (int i = 0; i < 6; ++i) {
    for (const double y : {-1.5, 1.5}) {
      const double x = 1.0 + 2.0 * i, z0 = 0.0, z1 = 1.5;
      for (const double z : {z0, z1}) {
        entities += Pairs({{0, "LWPOLYLINE"},
                           {62, "1"},
                           {90, "4"},
                           {70, "1"},
                           {38, std::to_string(z)},
                           {10, std::to_string(x)},
                           {20, std::to_string(y - 0.4)},
                           {10, std::to_string(x + 0.8)},
                           {20, std::to_string(y - 0.4)},
                           {10, std::to_string(x + 0.8)},
                           {20, std::to_string(y + 0.4)},
                           {10, std::to_string(x)},
                           {20, std::to_string(y + 0.4)}});
      }
    }
  }
  return Pairs({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {0, "ENDSEC"}}) +
         Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + entities + Pairs({{0, "ENDSEC"}, {0, "EOF"}});
}

// The script lines that answer the options dialog.
std::string Options(const std::string& file, const std::string& codec, int fps, const std::string& stepSpeed) {
  return "dialog press 502\n"
         "dialog set 1148 " +
         file +
         "\n"
         "dialog press 1\n"
         "dialog select 503 " +
         codec +
         "\n"
         "dialog select 505 " +
         std::to_string(fps) +
         "\n"
         "dialog set 508 " +
         stepSpeed +
         "\n"
         "dialog press 1\n";
}

class VideoFromTrack : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(m_dir / "street.dxf") << Street(); }
  pcvr_test::PchostRun Run(const std::string& script, pcvr_test::PchostOptions options = {}) {
    options.arguments = {File("street.dxf")};
    return pcvr_test::RunPchost(script, options);
  }
  std::string File(const std::string& name) const { return m_dir.str(name); }
  pcvr_test::TempDir m_dir{"video-from-track-"};
};

TEST_F(VideoFromTrack, FliesAlongTheTrajectoryAndLeavesTheViewAsItWas) {
  const std::string file = File("street.avi");
  // 20 fps at a step speed of 15: 0.375 units a frame, 27 frames for 10 units.
  const auto run =
      Run("VIEWSAVEPNG\n" + File("before.png") + "\nVIDEO_FROM_TRACK\nhandle A1\n" +
          Options(file, "HuffYUV lossless", 20, "15") + "VIEWINFO\nVIEWSAVEPNG\n" + File("after.png") + "\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<std::string> summary = {"Video recording completed successfuly.", " Video stream: " + file};
  const auto messages = run.messages();
  auto start = std::find(messages.begin(), messages.end(), summary[0]);
  ASSERT_NE(start, messages.end()) << run.output;
  ASSERT_GE(messages.end() - start, 6) << run.output;
  EXPECT_EQ(start[1], summary[1]);
  EXPECT_EQ(start[3], " Frames: 27");
  EXPECT_EQ(start[4], " Time: 0:0:1 h:m:s");  // 27 frames at 20 a second
  EXPECT_EQ(start[5], " Real FPS: 20");

  const auto probe = pcvr_test::Probe(file);
  ASSERT_TRUE(probe.ok) << run.output;
  EXPECT_EQ(probe.shape(), run.evenViewSize() + " 20/1 27");
  // The boxes come closer: the picture changes along the way, and red is in it.
  const auto frames = pcvr_test::DecodeBgr(file, probe.width, probe.height);
  ASSERT_EQ(frames.size(), 27u);
  EXPECT_NE(frames.front(), frames.back());
  int red = 0;
  for (std::size_t i = 0; i + 2 < frames[5].size(); i += 3) red += frames[5][i + 2] > 200 && frames[5][i + 1] < 60;
  EXPECT_GT(red, 50);

  // The camera came back and the trajectory is drawn again.
  const QImage before(QString::fromStdString(File("before.png")));
  const QImage after(QString::fromStdString(File("after.png")));
  ASSERT_FALSE(before.isNull());
  EXPECT_EQ(before, after);
}

TEST_F(VideoFromTrack, EndingsBeforeTheRecordingSayNothingAndWriteNothing) {
  // With A2 selected before the command, the pick still takes A1 alone.
  const auto run =
      Run("VIDEO_FROM_TRACK\n^C\n"                         // pick cancelled
          "VIDEO_FROM_TRACK\nhandle B1\n"                  // a line: refused
          "VIDEO_FROM_TRACK\nhandle A1 A2\n"               // two trajectories
          "VIDEO_FROM_TRACK\nhandle A1\ndialog press 2\n"  // options cancelled
          "SELECT\nhandle A2\n"
          "VIDEO_FROM_TRACK\nhandle A1\ndialog close\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("0 found, 1 cannot be picked here.")) << run.output;
  EXPECT_EQ(run.count("Dialog 507 \"Video recording options\" opened"), 2) << run.output;
  EXPECT_EQ(run.count("Dialog 507 closed: Cancel"), 2) << run.output;
  for (const auto& line : run.messages()) {
    EXPECT_EQ(line.find("Video recording"), std::string::npos) << line;
    EXPECT_EQ(line.find("Error"), std::string::npos) << line;
  }
  for (const auto& entry : fs::directory_iterator(m_dir.path())) EXPECT_NE(entry.path().extension(), ".avi");
}

// A second flight replaces the file; a relative name is from the current folder.
TEST_F(VideoFromTrack, AFlightGoesToThePathTheScriptGave) {
  const std::string file = File("again.avi");
  fs::create_directories(m_dir / "cwd");
  pcvr_test::PchostOptions options;
  options.workingDirectory = m_dir / "cwd";
  const auto run = Run("VIDEO_FROM_TRACK\nhandle A1\n" + Options(file, "Motion JPEG", 20, "15") +
                           "VIDEO_FROM_TRACK\nhandle A1\n" + Options(file, "Motion JPEG", 10, "15") +
                           "VIDEO_FROM_TRACK\nhandle A1\n" + Options("again", "Motion JPEG", 10, "15"),
                       options);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(pcvr_test::Probe(file).decodedFrames, 14);  // the second flight's frames
  EXPECT_EQ(pcvr_test::Probe((m_dir / "cwd/again.avi").string()).decodedFrames, 14);
}

TEST_F(VideoFromTrack, CancelFromTheProgressBarKeepsTheFramesSoFar) {
  const std::string file = File("cancelled.avi");
  const auto run = Run("PROGRESSCANCEL\n5\nVIDEO_FROM_TRACK\nhandle A1\n" + Options(file, "Motion JPEG", 10, "1.5"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine(" Frames: 5")) << run.output;
  EXPECT_TRUE(run.hasLine(" Time: 0:0:0 h:m:s")) << run.output;
  EXPECT_EQ(pcvr_test::Probe(file).decodedFrames, 5);
}

TEST_F(VideoFromTrack, TermSignalEndsTheFlightWithACompleteFileAndTheHost) {
  // 2000 frames to go; SIGTERM once a few are written.
  const std::string file = File("signalled.avi");
  pcvr_test::PchostOptions options;
  options.whileRunning = [&](pid_t pid) {
    pcvr_test::WaitUntil(
        [&] {
          const auto avi = pcvr_test::WalkAvi(file);
          return avi.frames.size() + avi.framesPastTree >= 3;
        },
        std::chrono::seconds(60));
    kill(pid, SIGTERM);
  };
  const auto run =
      Run("VIDEO_FROM_TRACK\nhandle A1\n" + Options(file, "Motion JPEG", 10, "0.05") + "echo not reached\n", options);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("pchost: SIGTERM received, finishing.")) << run.output;
  EXPECT_FALSE(run.hasLine("not reached")) << run.output;
  const auto avi = pcvr_test::WalkAvi(file);
  EXPECT_GE(avi.frames.size(), 3u);
  EXPECT_LT(avi.frames.size(), 2000u);
  EXPECT_TRUE(run.hasLine(" Frames: " + std::to_string(avi.frames.size()))) << run.output;
  EXPECT_EQ(pcvr_test::CheckAviAgrees(avi, static_cast<int>(avi.frames.size()), 10, false), "");
}

TEST_F(VideoFromTrack, WhatCannotBeRecordedIsAnErrorAndNoSummary) {
  // A folder that does not exist, step speeds of 0 or too small to end, a
  // trajectory shorter than one step, and trajectories of no length.
  std::string script = "VIDEO_FROM_TRACK\nhandle A1\n" +
                       Options(File("missing/folder/x.avi"), "Motion JPEG", 10, "1.5") +
                       "VIDEO_FROM_TRACK\nhandle A1\n" + Options(File("zero.avi"), "Motion JPEG", 10, "0") +
                       "VIDEO_FROM_TRACK\nhandle A1\n" + Options(File("far.avi"), "Motion JPEG", 1, "50");
  // Steps that would never end: refused before the first frame.
  for (const char* speed : {"1e-300", "1e-12"})
    script += "VIDEO_FROM_TRACK\nhandle A1\n" + Options(File("zero.avi"), "Motion JPEG", 10, speed);
  for (const char* handle : {"A3", "A4", "A5"}) {
    script +=
        "VIDEO_FROM_TRACK\nhandle " + std::string(handle) + "\n" + Options(File("zero.avi"), "Motion JPEG", 10, "1");
  }
  const auto run = Run(script);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto messages = run.messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Error while recording video"), 8) << run.output;
  EXPECT_FALSE(run.hasLine("Video recording completed successfuly.")) << run.output;
  // Each failure's reason is on the log, as a live recording's is.
  const std::string logged = "PC_hostVideoRecorder: Error while recording video: ";
  EXPECT_EQ(run.count(logged), 8) << run.output;
  EXPECT_TRUE(run.hasLine(logged + "Unable to Create the Movie File")) << run.output;
  EXPECT_EQ(run.count(logged + "The Flight Would Not End"), 2) << run.output;
  EXPECT_FALSE(fs::exists(File("zero.avi")));
  EXPECT_FALSE(fs::exists(File("far.avi")));
}

}  // namespace
