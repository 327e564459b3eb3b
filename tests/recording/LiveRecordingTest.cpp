// Live recording from end to end: pchost runs START_VIDEO_RECORDING with the
// options dialog driven by the script, the view changes colour while it
// records, and the AVI file is read back with ffprobe/ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "MediaProbe.h"
#include "AviWalker.h"
#include "PchostRunner.h"

namespace fs = std::filesystem;

namespace {

struct Summary {
  bool found = false;
  std::string path;
  double megabytes = -1;
  int frames = -1;
  int hours = -1, minutes = -1, seconds = -1;
  int realFps = -1;
};

// Every recording summary, six lines each, as the command line shows them.
std::vector<Summary> ReadSummaries(const pcvr_test::PchostRun& run) {
  std::string text;
  for (const auto& line : run.lines()) text += line + "\n";
  static const std::regex pattern(R"(Video recording completed successfuly\.\n Video stream: (.*)\n Length: ([0-9.e+]+))"
                                  R"( Mb\n Frames: (\d+)\n Time: (\d+):(\d+):(\d+) h:m:s\n Real FPS: (\d+)\n)");
  std::vector<Summary> summaries;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
    const std::smatch& m = *it;
    summaries.push_back({true, m[1], std::stod(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                         std::stoi(m[6]), std::stoi(m[7])});
  }
  return summaries;
}

Summary ReadSummary(const pcvr_test::PchostRun& run) {
  const auto summaries = ReadSummaries(run);
  return summaries.empty() ? Summary{} : summaries.back();
}

// The script lines that open the options dialog and start a recording of
// the document's view into `file`.
std::string StartRecording(const std::string& file, const std::string& codec, int fps, int delay) {
  return "START_VIDEO_RECORDING\n"
         "dialog press 502\n"
         "dialog set 1148 " + file + "\n"
         "dialog press 1\n"
         "dialog select 504 Current document\n"
         "dialog select 503 " + codec + "\n"
         "dialog select 505 " + std::to_string(fps) + "\n"
         "dialog set 506 " + std::to_string(delay) + "\n"
         "dialog press 1\n";
}

std::uint32_t Pixel(const std::vector<std::uint8_t>& frame, int width, int x, int y) {
  const std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * width + x) * 3];
  return (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
}

bool SaysVideoRecording(const pcvr_test::PchostRun& run) {
  for (const auto& line : run.messages())
    if (line.find("Video recording") != std::string::npos) return true;
  return false;
}

class LiveRecording : public ::testing::Test {
 protected:
  void SetUp() override { m_dir = pcvr_test::MakeTempDir("live-recording-"); }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string File(const std::string& name) const { return (m_dir / name).string(); }
  fs::path m_dir;
};

TEST_F(LiveRecording, RecordsTheViewPausesResumesAndReports) {
  const std::string file = File("view.avi");
  const auto run = pcvr_test::RunPchost("VIEWINFO\nVIEWCOLOR\n255,0,0\n" + StartRecording(file, "HuffYUV lossless", 15, 0) +
                                        "wait 1200\nVIEWCOLOR\n0,0,255\nwait 1200\n"
                                        "PAUSE_VIDEO_RECORDING\nPAUSE_VIDEO_RECORDING\nwait 400\n"
                                        "START_VIDEO_RECORDING\nwait 600\nSTART_VIDEO_RECORDING\n"
                                        "END_VIDEO_RECORDING\nEND_VIDEO_RECORDING\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::smatch m;
  int viewWidth = 0, viewHeight = 0;
  for (const auto& line : run.lines()) {
    if (std::regex_match(line, m, std::regex(R"(View window \d+: (\d+)x(\d+) at .*)"))) {
      viewWidth = std::stoi(m[1]);
      viewHeight = std::stoi(m[2]);
    }
  }
  ASSERT_GT(viewWidth, 0) << run.output;
  const std::string out = run.output;
  // Each command's answer, in order: pausing twice says so twice, START
  // resumes a paused recording and refuses a running one.
  std::vector<std::string> said;
  for (const auto& line : run.messages())
    if (line.rfind("Video recording ", 0) == 0) said.push_back(line);
  const std::vector<std::string> expected = {"Video recording paused", "Video recording paused",
                                             "Video recording resumed", "Video recording is in progress",
                                             "Video recording completed successfuly."};
  EXPECT_EQ(said, expected) << out;

  const Summary summary = ReadSummary(run);
  ASSERT_TRUE(summary.found) << out;
  EXPECT_EQ(summary.path, file);
  EXPECT_GT(summary.frames, 10);
  EXPECT_GT(summary.megabytes, 0.0);
  const int seconds = summary.hours * 3600 + summary.minutes * 60 + summary.seconds;
  ASSERT_GT(seconds, 0);
  EXPECT_EQ(summary.realFps, summary.frames / seconds);
  // The second END found nothing to end and said nothing.
  EXPECT_EQ(out.find("completed successfuly"), out.rfind("completed successfuly"));

  const auto probe = avitest::Probe(file);
  ASSERT_TRUE(probe.ok) << file;
  EXPECT_EQ(probe.decodedFrames, summary.frames);
  EXPECT_EQ(probe.width, viewWidth & ~1);
  EXPECT_EQ(probe.height, viewHeight & ~1);
  EXPECT_EQ(probe.frameRate, "15/1");
  // Lossless: the view's own colours, red first and blue at the end.
  const auto frames = avitest::DecodeBgr(file, probe.width, probe.height);
  ASSERT_EQ(static_cast<int>(frames.size()), summary.frames);
  EXPECT_EQ(Pixel(frames.front(), probe.width, probe.width / 2, probe.height / 2), 0xFF0000u);
  EXPECT_EQ(Pixel(frames.front(), probe.width, 3, 3), 0xFF0000u);
  EXPECT_EQ(Pixel(frames.back(), probe.width, probe.width / 2, probe.height / 2), 0x0000FFu);
  EXPECT_EQ(Pixel(frames.back(), probe.width, probe.width - 4, probe.height - 4), 0x0000FFu);
}

TEST_F(LiveRecording, NothingToPauseOrEndWithoutARecording) {
  const auto run = pcvr_test::RunPchost("PAUSE_VIDEO_RECORDING\nEND_VIDEO_RECORDING\nSTART_VIDEO_RECORDING\ndialog press 2\n"
                                        "END_VIDEO_RECORDING\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_FALSE(SaysVideoRecording(run)) << run.output;
}

TEST_F(LiveRecording, AnotherWindowInTheForegroundSkipsFrames) {
  const std::string file = File("focus.avi");
  // Green is only on the screen while another window has the focus: no
  // recorded frame may show it.
  const auto run = pcvr_test::RunPchost("VIEWCOLOR\n255,0,0\n" + StartRecording(file, "HuffYUV lossless", 15, 0) +
                                        "wait 800\nFOCUSOTHER\nVIEWCOLOR\n0,255,0\nwait 800\nVIEWCOLOR\n0,0,255\n"
                                        "FOCUSMAIN\nwait 800\nEND_VIDEO_RECORDING\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const Summary summary = ReadSummary(run);
  ASSERT_TRUE(summary.found) << run.output;
  const auto probe = avitest::Probe(file);
  ASSERT_EQ(probe.decodedFrames, summary.frames);
  const auto frames = avitest::DecodeBgr(file, probe.width, probe.height);
  int red = 0, blue = 0;
  for (const auto& frame : frames) {
    const std::uint32_t colour = Pixel(frame, probe.width, probe.width / 2, probe.height / 2);
    EXPECT_NE(colour, 0x00FF00u);
    red += colour == 0xFF0000u;
    blue += colour == 0x0000FFu;
  }
  EXPECT_GT(red, 0);
  EXPECT_GT(blue, 0);  // resumed when the host came back to the foreground
}

TEST_F(LiveRecording, ClosingTheViewEndsTheRecordingQuietlyWithACompleteFile) {
  const std::string file = File("closed.avi");
  const auto run = pcvr_test::RunPchost("VIEWCOLOR\n0,0,255\n" + StartRecording(file, "Motion JPEG", 10, 0) +
                                        "wait 800\nCLOSEVIEW\nwait 500\nEND_VIDEO_RECORDING\nPAUSE_VIDEO_RECORDING\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  // Back to idle by itself: END and PAUSE find nothing to do.
  EXPECT_FALSE(ReadSummary(run).found) << run.output;
  EXPECT_FALSE(SaysVideoRecording(run)) << run.output;
  EXPECT_EQ(run.output.find("Error while recording video"), std::string::npos) << run.output;
  const auto probe = avitest::Probe(file);
  ASSERT_TRUE(probe.ok);
  EXPECT_GT(probe.decodedFrames, 0);
  EXPECT_EQ(probe.codecName, "mjpeg");
}

TEST_F(LiveRecording, LeavingTheHostDuringARecordingCompletesTheFile) {
  const std::string file = File("unload.avi");
  // The script ends while recording: the module is unloaded, which stops
  // the capture and waits for it.
  const auto run =
      pcvr_test::RunPchost("VIEWCOLOR\n255,255,0\n" + StartRecording(file, "H.264 (x264)", 10, 0) + "wait 1000\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto probe = avitest::Probe(file);
  ASSERT_TRUE(probe.ok) << run.output;
  EXPECT_GT(probe.decodedFrames, 0);
  EXPECT_EQ(probe.codecName, "h264");
}

TEST_F(LiveRecording, NoFrameBeforeTheStartDelayNorWhilePausedFromTheStart) {
  // A pause on the script line after the dialog's OK, before the capture
  // thread may have run, holds: ten recordings stay without a frame after
  // their one-second delay. The last one ends inside its delay.
  std::string script;
  for (int i = 0; i < 10; ++i)
    script += StartRecording(File("paused" + std::to_string(i) + ".avi"), "Motion JPEG", 30, 1) +
              "PAUSE_VIDEO_RECORDING\nwait 1300\nEND_VIDEO_RECORDING\n";
  const std::string early = File("early.avi");
  pcvr_test::PchostOptions options;
  options.timeoutSeconds = 120;
  auto run = pcvr_test::RunPchost(script + StartRecording(early, "Motion JPEG", 15, 3) + "wait 1000\nEND_VIDEO_RECORDING\n",
                                  options);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto summaries = ReadSummaries(run);
  ASSERT_EQ(summaries.size(), 11u) << run.output;
  for (const Summary& paused : summaries) EXPECT_EQ(paused.frames, 0);
  Summary summary = summaries.back();
  // Ended inside the delay: a time of 0, not a wrapped negative count.
  EXPECT_EQ(summary.hours, 0);
  EXPECT_EQ(summary.minutes, 0);
  EXPECT_EQ(summary.seconds, 0);
  EXPECT_EQ(summary.realFps, 0);
  EXPECT_EQ(summary.megabytes, 0.0);
  EXPECT_FALSE(fs::exists(early));

  const std::string late = File("late.avi");
  run = pcvr_test::RunPchost(StartRecording(late, "Motion JPEG", 15, 3) + "wait 4500\nEND_VIDEO_RECORDING\n");
  summary = ReadSummary(run);
  ASSERT_TRUE(summary.found) << run.output;
  // The time counts from the end of the delay (the clock's start time, whose
  // rule the clock's own test holds).
  const int seconds = summary.hours * 3600 + summary.minutes * 60 + summary.seconds;
  EXPECT_GE(seconds, 1);
  // Frames come only in the time after the delay, at most one per 66 ms.
  EXPECT_GT(summary.frames, 0);
  EXPECT_LE(summary.frames, (seconds + 1) * 16);
  EXPECT_EQ(avitest::Probe(late).decodedFrames, summary.frames);
}

TEST_F(LiveRecording, SignalsEndTheHostWithACompleteFileAndKillLosesAtMostASecond) {
  // TERM, INT and HUP end pchost as "quit" does, with the file completed;
  // after KILL the header's counts, brought up to date twice a second, are
  // at most a second's frames (10 here) behind what the file holds.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    const std::string name = std::string("SIG") + sigabbrev_np(signal);
    const std::string file = File(name + ".avi");
    pcvr_test::PchostOptions options;
    options.whileRunning = [&](pid_t pid) {
      // Until the header counts some frames, and for KILL until more frames
      // follow them, then the signal.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      for (avitest::AviLayout avi; std::chrono::steady_clock::now() < deadline;
           std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
        avi = avitest::WalkAvi(file);
        if (avi.strhLength >= 3 && (signal != SIGKILL || avi.framesPastTree >= 3)) break;
      }
      kill(pid, signal);
    };
    const auto run = pcvr_test::RunPchost(
        "VIEWCOLOR\n0,0,255\n" + StartRecording(file, "HuffYUV lossless", 10, 0) + "wait 40000\n", options);
    const avitest::AviLayout avi = avitest::WalkAvi(file);
    ASSERT_GE(avi.frames.size(), 3u) << name << run.output;
    if (signal == SIGKILL) {
      EXPECT_EQ(run.exitCode, 128 + SIGKILL);
      EXPECT_TRUE(avi.error.empty() || avi.error == "data after the last RIFF part") << avi.error;
      EXPECT_EQ(avi.strhLength, avi.frames.size());
      EXPECT_EQ(avi.avihTotalFrames, avi.frames.size());
      EXPECT_LE(avi.framesPastTree, 10);
      std::printf("after kill -9: header counts %u frames, %d more in the file\n", avi.strhLength, avi.framesPastTree);
    } else {
      EXPECT_EQ(run.exitCode, 0) << name << run.output;
      EXPECT_TRUE(run.hasLine("pchost: " + name + " received, finishing.")) << run.output;
      EXPECT_EQ(avitest::CheckAviAgrees(avi, static_cast<int>(avi.frames.size()), 10, false), "") << name;
      EXPECT_EQ(avitest::Probe(file).decodedFrames, static_cast<int>(avi.frames.size())) << name;
    }
  }
}

// A recording whose file cannot be made ends by itself; the next END says
// so, once, with the reason on the host's log, and the recorder is idle.
TEST_F(LiveRecording, ARecordingThatBrokeOffIsReportedByTheNextEnd) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {File("no/such/folder/x.avi"), "Unable to Create the Movie File"},
      {File(std::string(280, 'n') + ".avi"),
       "Unable to Create the Movie File: the File Name is Longer than 259 Characters"},
  };
  std::string script;
  for (const auto& [file, reason] : cases)
    script += StartRecording(file, "Motion JPEG", 15, 0) + "wait 1500\nEND_VIDEO_RECORDING\nEND_VIDEO_RECORDING\n"
              "PAUSE_VIDEO_RECORDING\n";
  const auto run = pcvr_test::RunPchost(script);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::vector<std::string> said;
  for (const auto& line : run.messages())
    if (line.rfind("Video recording", 0) == 0 || line.rfind("Error while", 0) == 0) said.push_back(line);
  EXPECT_EQ(said, std::vector<std::string>(cases.size(), "Error while recording video")) << run.output;
  for (const auto& [file, reason] : cases) {
    EXPECT_TRUE(run.hasLine("PC_hostVideoRecorder: Error while recording video: " + reason)) << run.output;
    std::error_code ignored;  // a name over the system's limit cannot exist
    EXPECT_FALSE(fs::exists(file, ignored));
  }
}

}  // namespace
