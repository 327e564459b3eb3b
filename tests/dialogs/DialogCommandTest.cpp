// The live recording's options dialog shown by pchost and driven by script
// lines, as a person's automation drives it.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <filesystem>

#include "PchostRunner.h"

namespace {

std::filesystem::path Images() {
  std::filesystem::path dir(PCVR_DIALOG_IMAGE_DIR);
  std::filesystem::create_directories(dir);
  return dir;
}

TEST(RecordingOptionsInPchost, ShownWithBothWindowsAndCancelledWithoutAMessage) {
  const auto picture = Images() / "dialog500_pchost.png";
  std::filesystem::remove(picture);
  const auto run = pcvr_test::RunPchost("START_VIDEO_RECORDING\n"
                                        "dialog show " + picture.string() + "\n"
                                        "dialog press 2\n"
                                        "END_VIDEO_RECORDING\n"
                                        "echo done\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500 \"Video recording options\" opened")) << run.output;
  EXPECT_TRUE(run.hasLine("  504 COMBOBOX \"Current document\" [Entire programm, *Current document]")) << run.output;
  EXPECT_TRUE(run.hasLine("  506 EDIT \"3\"")) << run.output;
  EXPECT_TRUE(run.hasLine("  105 STATIC \"Start delay:\"")) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500 closed: Cancel")) << run.output;
  // Nothing is recorded, so ending prints nothing before the echo.
  const auto lines = run.lines();
  const auto end = std::find(lines.begin(), lines.end(), "Command: END_VIDEO_RECORDING");
  ASSERT_NE(end, lines.end()) << run.output;
  ASSERT_NE(end + 1, lines.end());
  EXPECT_EQ(*(end + 1), "done") << run.output;
  const QImage image(QString::fromStdString(picture.string()));
  EXPECT_FALSE(image.isNull()) << picture;
}

TEST(RecordingOptionsInPchost, WithoutADocumentOnlyTheProgramIsOffered) {
  const auto run = pcvr_test::RunPchost("CLOSE\n"
                                        "START_VIDEO_RECORDING\n"
                                        "dialog show\n"
                                        "dialog close\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("  504 COMBOBOX \"Entire programm\" [*Entire programm]")) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500 closed: Cancel")) << run.output;
}

TEST(RecordingOptionsInPchost, StrayLinesAreReportedAndTheEndOfTheScriptCancels) {
  const auto run = pcvr_test::RunPchost("START_VIDEO_RECORDING\n"
                                        "VIEWINFO\n"
                                        "dialog press 999\n"
                                        "dialog select 503 no such codec\n"
                                        "dialog set 506 5\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500 is open; line skipped: VIEWINFO")) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500: cannot press control 999")) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500: cannot select control 503 \"no such codec\"")) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500: *End of script*")) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500 closed: Cancel")) << run.output;
  EXPECT_FALSE(run.hasLine("Video recording is in progress")) << run.output;
}

TEST(RecordingOptionsInPchost, ABrowsedPathReplacesTheShownOneAndATypedOneDoesNot) {
  const auto dir = pcvr_test::MakeTempDir("dialog_pchost");
  const auto run = pcvr_test::RunPchost("START_VIDEO_RECORDING\n"
                                        "dialog set 501 /typed/is/ignored.avi\n"
                                        "dialog press 502\n"
                                        "dialog set 1148 " + (dir / "chosen").string() + "\n"
                                        "dialog press 1\n"
                                        "dialog show\n"
                                        "dialog press 2\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("Dialog 500: cannot set control 501 \"/typed/is/ignored.avi\"")) << run.output;
  EXPECT_TRUE(run.hasLine("Save dialog closed: OK")) << run.output;
  EXPECT_TRUE(run.hasLine("  501 EDIT \"" + (dir / "chosen.avi").string() + "\"")) << run.output;
  std::filesystem::remove_all(dir);
}

// What the dialog chose reaches the file: the compressor picked in the list
// is the one that encoded the recording, at the browsed path.
TEST(RecordingOptionsInPchost, TheChosenCompressorAndPathMakeTheRecording) {
  const auto dir = pcvr_test::MakeTempDir("dialog_record");
  const auto movie = dir / "take.avi";
  const auto run = pcvr_test::RunPchost("START_VIDEO_RECORDING\n"
                                        "dialog press 502\n"
                                        "dialog set 1148 " + (dir / "take").string() + "\n"
                                        "dialog press 1\n"
                                        "dialog select 503 Motion JPEG\n"
                                        "dialog set 506 0\n"
                                        "dialog press 1\n"
                                        "wait 1500\n"
                                        "END_VIDEO_RECORDING\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.hasLine("Video recording completed successfuly.")) << run.output;
  EXPECT_TRUE(run.hasLine(" Video stream: " + movie.string())) << run.output;
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                          QStringLiteral("stream=codec_name,width,height"), QStringLiteral("-of"),
                                          QStringLiteral("csv=p=0"), QString::fromStdString(movie.string())});
  ASSERT_TRUE(probe.waitForFinished(30000));
  const QStringList fields = QString::fromUtf8(probe.readAllStandardOutput()).trimmed().split(QLatin1Char(','));
  ASSERT_EQ(fields.size(), 3) << run.output;
  EXPECT_EQ(fields[0], QStringLiteral("mjpeg"));
  EXPECT_EQ(fields[1].toInt() % 2, 0);
  EXPECT_EQ(fields[2].toInt() % 2, 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
