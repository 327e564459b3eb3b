// Live recording end to end: pchost scripts, AVI files read back with ffprobe/ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "AviWalker.h"
#include "MediaProbe.h"
#include "PchostRunner.h"
#include "Poll.h"

namespace fs = std::filesystem;

namespace {

struct Summary {
  std::string path;
  double megabytes = -1;
  int frames = -1, hours = -1, minutes = -1, seconds = -1, realFps = -1;
  int totalSeconds() const { return hours * 3600 + minutes * 60 + seconds; }
};

// Every recording summary, six lines each, as the command line shows them.
std::vector<Summary> ReadSummaries(const pcvr_test::PchostRun& run) {
  const std::string& text = run.output;
  static const std::regex pattern(
      R"(Video recording completed successfuly\.\n Video stream: (.*)\n Length: ([0-9.e+]+))"
      R"( Mb\n Frames: (\d+)\n Time: (\d+):(\d+):(\d+) h:m:s\n Real FPS: (\d+)\n)");
  std::vector<Summary> summaries;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
    const std::smatch& m = *it;
    summaries.push_back(
        {m[1], std::stod(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]), std::stoi(m[7])});
  }
  return summaries;
}

// What the recording commands answered, in order.
std::vector<std::string> Said(const pcvr_test::PchostRun& run) {
  std::vector<std::string> said;
  for (const auto& line : run.messages())
    if (line.rfind("Video recording", 0) == 0 || line.rfind("Error while", 0) == 0) said.push_back(line);
  return said;
}

// Script lines that fill the options dialog and start recording into `file`.
std::string StartRecording(const std::string& file, const std::string& codec, int fps, int delay,
                           const std::string& window = "Current document") {
  return "START_VIDEO_RECORDING\ndialog press 502\ndialog set 1148 " + file + "\ndialog press 1\ndialog select 504 " +
         window + "\ndialog select 503 " + codec + "\ndialog select 505 " + std::to_string(fps) + "\ndialog set 506 " +
         std::to_string(delay) + "\ndialog press 1\n";
}

class LiveRecording : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return m_dir.str(name); }
  pcvr_test::TempDir m_dir{"live-recording-"};
};

// PAUSE and END with nothing recording say nothing. The view is red, green
// while another window has the focus (no frame may show it), then blue;
// paused twice, resumed, a second start refused, ended twice.
TEST_F(LiveRecording, RecordsTheViewPausesResumesAndReports) {
  const std::string file = File("view.avi");
  const auto run = pcvr_test::RunPchost(
      "PAUSE_VIDEO_RECORDING\nEND_VIDEO_RECORDING\nSTART_VIDEO_RECORDING\ndialog press 2\nEND_VIDEO_RECORDING\n"
      "VIEWINFO\nVIEWCOLOR\n255,0,0\n" +
      StartRecording(file, "HuffYUV lossless", 15, 0) +
      "wait 1200\nFOCUSOTHER\nVIEWCOLOR\n0,255,0\nwait 800\nVIEWCOLOR\n0,0,255\nFOCUSMAIN\nwait 1200\n"
      "PAUSE_VIDEO_RECORDING\nPAUSE_VIDEO_RECORDING\nwait 400\n"
      "START_VIDEO_RECORDING\nwait 600\nSTART_VIDEO_RECORDING\nEND_VIDEO_RECORDING\nEND_VIDEO_RECORDING\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<std::string> expected = {"Video recording paused", "Video recording paused",
                                             "Video recording resumed", "Video recording is in progress",
                                             "Video recording completed successfuly."};
  EXPECT_EQ(Said(run), expected) << run.output;

  const auto summaries = ReadSummaries(run);
  ASSERT_EQ(summaries.size(), 1u) << run.output;
  const Summary& summary = summaries.back();
  EXPECT_EQ(summary.path, file);
  EXPECT_GT(summary.frames, 10);
  ASSERT_GT(summary.totalSeconds(), 0);
  EXPECT_EQ(summary.realFps, summary.frames / summary.totalSeconds());
  EXPECT_GT(summary.megabytes, 0.0);

  const auto probe = pcvr_test::Probe(file);
  ASSERT_TRUE(probe.ok) << file;
  EXPECT_EQ(probe.shape(), run.evenViewSize() + " 15/1 " + std::to_string(summary.frames));
  // Lossless: the view's own colours.
  const auto frames = pcvr_test::DecodeBgr(file, probe.width, probe.height);
  ASSERT_EQ(static_cast<int>(frames.size()), summary.frames);
  EXPECT_EQ(pcvr_test::Rgb(frames.front(), probe.width, probe.width / 2, probe.height / 2), 0xFF0000u);
  EXPECT_EQ(pcvr_test::Rgb(frames.front(), probe.width, 3, 3), 0xFF0000u);
  for (const auto& frame : frames)
    EXPECT_NE(pcvr_test::Rgb(frame, probe.width, probe.width / 2, probe.height / 2), 0x00FF00u);
  EXPECT_EQ(pcvr_test::Rgb(frames.back(), probe.width, probe.width / 2, probe.height / 2), 0x0000FFu);
  EXPECT_EQ(pcvr_test::Rgb(frames.back(), probe.width, probe.width - 4, probe.height - 4), 0x0000FFu);
}

// A PAUSE right after the dialog's OK holds (ten times); a recording ended
// inside its delay has time 0 and no file; one runs past it; the last ends
// quietly as its view closes, with a complete file.
TEST_F(LiveRecording, NoFrameBeforeTheStartDelayNorWhilePausedAndAClosedViewEndsIt) {
  std::string script;
  for (int i = 0; i < 10; ++i)
    script += StartRecording(File("paused" + std::to_string(i) + ".avi"), "Motion JPEG", 30, 1) +
              "PAUSE_VIDEO_RECORDING\nwait 1300\nEND_VIDEO_RECORDING\n";
  const std::string early = File("early.avi"), late = File("late.avi"), closed = File("closed.avi");
  script += StartRecording(early, "Motion JPEG", 15, 3) + "wait 1000\nEND_VIDEO_RECORDING\n" +
            StartRecording(late, "Motion JPEG", 15, 3) + "wait 4500\nEND_VIDEO_RECORDING\n" +
            StartRecording(closed, "Motion JPEG", 10, 0) +
            "wait 800\nCLOSEVIEW\nwait 500\nEND_VIDEO_RECORDING\nPAUSE_VIDEO_RECORDING\n";
  pcvr_test::PchostOptions options;
  options.timeoutSeconds = 120;
  const auto run = pcvr_test::RunPchost(script, options);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto summaries = ReadSummaries(run);
  ASSERT_EQ(summaries.size(), 12u) << run.output;
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(summaries[i].frames, 0) << i;
    EXPECT_EQ(summaries[i].realFps, 0) << i;
  }
  EXPECT_EQ(summaries[10].totalSeconds(), 0);
  EXPECT_EQ(summaries[10].megabytes, 0.0);
  EXPECT_FALSE(fs::exists(early));
  // Time and frames count from the end of the delay, at most one per 66 ms.
  const Summary& summary = summaries[11];
  EXPECT_GE(summary.totalSeconds(), 1);
  EXPECT_GT(summary.frames, 0);
  EXPECT_LE(summary.frames, (summary.totalSeconds() + 1) * 16);
  EXPECT_EQ(pcvr_test::Probe(late).decodedFrames, summary.frames);
  const std::string done = "Video recording completed successfuly.";
  std::vector<std::string> said;
  for (int i = 0; i < 10; ++i) said.insert(said.end(), {"Video recording paused", done});
  said.insert(said.end(), {done, done});
  EXPECT_EQ(Said(run), said) << run.output;
  const auto closedProbe = pcvr_test::Probe(closed);
  EXPECT_GT(closedProbe.decodedFrames, 0);
  EXPECT_EQ(closedProbe.codecName, "mjpeg");
}

// The script's end, TERM, INT and HUP complete the file; after KILL the
// header's counts (refreshed twice a second) are at most a second behind.
TEST_F(LiveRecording, LeavingTheHostOrASignalCompletesTheFileAndKillLosesAtMostASecond) {
  for (const int signal : {0, SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    const std::string name = signal == 0 ? "script end" : std::string("SIG") + sigabbrev_np(signal);
    SCOPED_TRACE(name);
    const std::string file = File(std::to_string(signal) + ".avi");
    pcvr_test::PchostOptions options;
    if (signal != 0) {
      options.whileRunning = [&](pid_t pid) {
        // The signal once the header counts frames (for KILL, with more after).
        pcvr_test::WaitUntil(
            [&] {
              const pcvr_test::AviLayout avi = pcvr_test::WalkAvi(file);
              return avi.strhLength >= 3 && (signal != SIGKILL || avi.framesPastTree >= 3);
            },
            std::chrono::seconds(30));
        kill(pid, signal);
      };
    }
    const auto run = pcvr_test::RunPchost("VIEWCOLOR\n0,0,255\n" + StartRecording(file, "HuffYUV lossless", 10, 0) +
                                              (signal == 0 ? "wait 1500\n" : "wait 40000\n"),
                                          options);
    const pcvr_test::AviLayout avi = pcvr_test::WalkAvi(file);
    ASSERT_GE(avi.frames.size(), 3u) << run.output;
    if (signal == SIGKILL) {
      EXPECT_EQ(run.exitCode, 128 + SIGKILL);
      EXPECT_TRUE(avi.error.empty() || avi.error == "data after the last RIFF part") << avi.error;
      EXPECT_EQ(avi.strhLength, avi.frames.size());
      EXPECT_EQ(avi.avihTotalFrames, avi.frames.size());
      EXPECT_LE(avi.framesPastTree, 10);
      std::printf("after kill -9: header counts %u frames, %d more in the file\n", avi.strhLength, avi.framesPastTree);
    } else {
      EXPECT_EQ(run.exitCode, 0) << run.output;
      EXPECT_TRUE(signal == 0 || run.hasLine("pchost: " + name + " received, finishing.")) << run.output;
      EXPECT_EQ(pcvr_test::CheckAviAgrees(avi, static_cast<int>(avi.frames.size()), 10, false), "");
      EXPECT_EQ(pcvr_test::Probe(file).decodedFrames, static_cast<int>(avi.frames.size()));
    }
  }
}

// A recording that broke off: the next END says so once, the reason goes to
// the log, no file is left. Microsoft Video 1 refuses the 1022-pixel-wide
// client area (not a multiple of 4) at the first frame.
TEST_F(LiveRecording, ARecordingThatBrokeOffIsReportedByTheNextEnd) {
  struct Case {
    std::string file, codec, window, reason;
  };
  const std::vector<Case> cases = {
      {File("no/such/folder/x.avi"), "Motion JPEG", "Current document", "Unable to Create the Movie File"},
      {File(std::string(280, 'n') + ".avi"), "Motion JPEG", "Current document",
       "Unable to Create the Movie File: the File Name is Longer than 259 Characters"},
      {File("msvc.avi"), "Microsoft Video 1", "Entire programm", "Unable to Set Video Stream Format"},
  };
  std::string script;
  for (const Case& c : cases)
    script += StartRecording(c.file, c.codec, 10, 0, c.window) +
              "wait 1500\nEND_VIDEO_RECORDING\nEND_VIDEO_RECORDING\nPAUSE_VIDEO_RECORDING\n";
  pcvr_test::PchostOptions options;
  options.arguments = {"-geometry", "1022x700"};
  const auto run = pcvr_test::RunPchost(script, options);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(Said(run), std::vector<std::string>(cases.size(), "Error while recording video")) << run.output;
  for (const Case& c : cases) {
    EXPECT_TRUE(run.hasLine("PC_hostVideoRecorder: Error while recording video: " + c.reason)) << run.output;
    std::error_code ignored;  // a name over the system's limit cannot exist
    EXPECT_FALSE(fs::exists(c.file, ignored)) << c.codec;
  }
}

}  // namespace
