// The options dialogs driven by script lines: in pchost's recording command,
// and in the preview program without a host.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "support/MediaProbe.h"
#include "support/PchostRunner.h"

namespace {

// One session: a recording with the chosen compressor and path; a cancelled
// dialog (END then prints nothing); a browsed path replacing the shown one, a
// typed one refused; the window list without a document; stray lines.
TEST(RecordingOptionsInPchost, ShownFilledAndCancelledByScriptLines) {
  const pcvr_test::TempDir dir("dialog-pchost-");
  const auto run = pcvr_test::RunPchost(
      "START_VIDEO_RECORDING\ndialog press 502\ndialog set 1148 " + dir.str("take") +
      "\ndialog press 1\ndialog select 503 Motion JPEG\ndialog set 506 0\ndialog press 1\nwait 1500\n"
      "END_VIDEO_RECORDING\n"
      "START_VIDEO_RECORDING\ndialog show " +
      dir.str("d.png") +
      "\ndialog press 2\nEND_VIDEO_RECORDING\necho done\n"
      "START_VIDEO_RECORDING\ndialog set 501 /typed/is/ignored.avi\ndialog press 502\ndialog set 1148 " +
      dir.str("chosen") +
      "\ndialog press 1\ndialog show\ndialog press 2\n"
      "CLOSE\nSTART_VIDEO_RECORDING\ndialog show\ndialog press 2\n"
      "START_VIDEO_RECORDING\nVIEWINFO\ndialog press 999\ndialog select 503 no such codec\ndialog set 506 5\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  for (const std::string& line : std::vector<std::string>{
           "Video recording completed successfuly.", " Video stream: " + dir.str("take.avi"),
           "Dialog 500 \"Video recording options\" opened",
           "  504 COMBOBOX \"Current document\" [Entire programm, *Current document]", "  506 EDIT \"3\"",
           "  105 STATIC \"Start delay:\"", "Dialog 500 closed: Cancel", "Dialog image saved: " + dir.str("d.png"),
           "Dialog 500: cannot set control 501 \"/typed/is/ignored.avi\"", "Save dialog closed: OK",
           "  501 EDIT \"" + dir.str("chosen.avi") + "\"", "  504 COMBOBOX \"Entire programm\" [*Entire programm]",
           "Dialog 500 is open; line skipped: VIEWINFO", "Dialog 500: cannot press control 999",
           "Dialog 500: cannot select control 503 \"no such codec\"", "Dialog 500: *End of script*"}) {
    EXPECT_TRUE(run.hasLine(line)) << line << "\n" << run.output;
  }
  EXPECT_FALSE(run.hasLine("Video recording is in progress")) << run.output;
  // The second ending, after the cancelled dialog, prints nothing.
  const auto lines = run.lines();
  auto end = std::find(lines.begin(), lines.end(), "Command: END_VIDEO_RECORDING");
  ASSERT_NE(end, lines.end()) << run.output;
  end = std::find(end + 1, lines.end(), "Command: END_VIDEO_RECORDING");
  ASSERT_LT(end + 1, lines.end()) << run.output;
  EXPECT_EQ(*(end + 1), "done") << run.output;
  EXPECT_TRUE(pcvr_test::DecodePicture(dir / "d.png").ok);
  // What the dialog chose reaches the file: the compressor picked in the
  // list is the one that encoded the recording, at the browsed path.
  const auto probe = pcvr_test::Probe(dir.str("take.avi"));
  ASSERT_TRUE(probe.ok) << run.output;
  EXPECT_EQ(probe.codecName, "mjpeg");
  EXPECT_EQ(std::make_pair(probe.width % 2, probe.height % 2), std::make_pair(0, 0));
  EXPECT_GT(probe.decodedFrames, 0);
}

TEST(DialogPreview, BothDialogsAreFilledPressedAndHandBackTheirParameters) {
  const pcvr_test::TempDir dir("dialog-preview-");
  const std::pair<std::string, std::vector<std::string>> table[] = {
      {"500\ndialog select 504 Entire programm\ndialog set 506 12\ndialog press 502\ndialog set 1148 " +
           dir.str("rec") + "\ndialog press 1\ndialog press 1\n",
       {"Save dialog closed: OK", "DoModal: 1", "filePath: " + dir.str("rec.avi"), "window: main", "startDelay: 12"}},
      {"507\ndialog show\ndialog set 508 0.75\ndialog press 1\n",
       {"  508 EDIT \"1.5\"", "DoModal: 1", "stepSpeed: 0.75", "startDelay: 0", "window: document"}},
  };
  for (const auto& [script, lines] : table) {
    std::ofstream(dir / "script.txt") << script.substr(4);
    pcvr_test::ProcessOptions options;
    options.workingDirectory = dir.path();
    const auto run = pcvr_test::RunProcess({(pcvr_test::BinDir() / "pcvr_dialog_preview").string(), script.substr(0, 3),
                                            "--script", dir.str("script.txt")},
                                           options);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const auto& line : lines)
      EXPECT_NE(run.output.find(line + "\n"), std::string::npos) << line << "\n" << run.output;
  }
}

}  // namespace
