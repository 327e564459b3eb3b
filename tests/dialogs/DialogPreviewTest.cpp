// Both dialogs driven end to end by script lines, in a process of their own
// as a person's automation would run them.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <fstream>

#include "PchostRunner.h"

namespace {

struct PreviewRun {
  int exitCode = -1;
  std::string output;
  bool has(const std::string& line) const { return output.find("\n" + line + "\n") != std::string::npos || output.rfind(line + "\n", 0) == 0; }
};

PreviewRun Preview(const std::string& dialog, const std::string& script) {
  const auto dir = pcvr_test::MakeTempDir("dialog_preview");
  const auto file = dir / "script.txt";
  std::ofstream(file) << script;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(QString::fromStdString(dir.string()));
  process.start(QString::fromStdString((pcvr_test::BinDir() / "pcvr_dialog_preview").string()),
                {QString::fromStdString(dialog), QStringLiteral("--script"), QString::fromStdString(file.string())});
  PreviewRun run;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    run.exitCode = 124;
  } else {
    run.exitCode = process.exitCode();
  }
  run.output = process.readAll().toStdString();
  std::filesystem::remove_all(dir);
  return run;
}

std::filesystem::path Images() {
  std::filesystem::path dir(PCVR_DIALOG_IMAGE_DIR);
  std::filesystem::create_directories(dir);
  return dir;
}

TEST(DialogScript, RecordingOptionsAreFilledPressedAndPictured) {
  const auto picture = Images() / "dialog500_script.png";
  std::filesystem::remove(picture);
  const auto chosen = std::filesystem::temp_directory_path() / "scripted_recording";
  const PreviewRun run = Preview("500", "# the options of a live recording\n"
                                 "dialog show " + picture.string() + "\n"
                                 "dialog select 504 Entire programm\n"
                                 "dialog set 506 12\n"
                                 "dialog press 502\n"
                                 "dialog set 1148 " + chosen.string() + "\n"
                                 "dialog press 1\n"
                                 "dialog press 1\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.has("Dialog 500 \"Video recording options\" opened")) << run.output;
  EXPECT_TRUE(run.has("  504 COMBOBOX \"Current document\" [Entire programm, *Current document]")) << run.output;
  EXPECT_TRUE(run.has("  506 EDIT \"3\"")) << run.output;
  EXPECT_TRUE(run.has("Dialog image saved: " + picture.string())) << run.output;
  EXPECT_TRUE(run.has("Save dialog closed: OK")) << run.output;
  EXPECT_TRUE(run.has("Dialog 500 closed: OK")) << run.output;
  EXPECT_TRUE(run.has("DoModal: 1")) << run.output;
  EXPECT_TRUE(run.has("filePath: " + chosen.string() + ".avi")) << run.output;
  EXPECT_TRUE(run.has("window: main")) << run.output;
  EXPECT_TRUE(run.has("startDelay: 12")) << run.output;
  EXPECT_EQ(run.output.find("codec: ...."), std::string::npos) << "no compressor chosen\n" << run.output;
  const QImage image(QString::fromStdString(picture.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.width(), 200);
  EXPECT_GT(image.height(), 200);
}

TEST(DialogScript, TrackOptionsGiveTheStepSpeedAndNoStartDelay) {
  const auto picture = Images() / "dialog507_script.png";
  const PreviewRun run = Preview("507", "dialog show " + picture.string() + "\n"
                                 "dialog set 508 0.75\n"
                                 "dialog press 1\n");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.has("  508 EDIT \"1.5\"")) << run.output;
  EXPECT_TRUE(run.has("DoModal: 1")) << run.output;
  EXPECT_TRUE(run.has("stepSpeed: 0.75")) << run.output;
  EXPECT_TRUE(run.has("startDelay: 0")) << run.output;
  EXPECT_TRUE(run.has("window: document")) << run.output;
  EXPECT_TRUE(std::filesystem::exists(picture));
}

}  // namespace
