// The "Video recording options" dialog of the video from a trajectory.
#include <gtest/gtest.h>

#include <filesystem>

#include "DialogTestSupport.h"
#include "dialogs/DlgVideoFromTrackParams.h"
#include "resources/DialogTemplates.h"

using dialogs_test::Codec;
using dialogs_test::Fourcc;
using dialogs_test::ScriptedCodec;
using dialogs_test::ScriptedCompressors;

namespace {

const mfc::ModalDriver::Control& ControlOf(mfc::ModalDriver& driver, int id) {
  static std::vector<mfc::ModalDriver::Control> controls;
  controls = driver.controls();
  for (const auto& control : controls) {
    if (control.id == id) return control;
  }
  static const mfc::ModalDriver::Control none;
  ADD_FAILURE() << "no control " << id;
  return none;
}

CaptureTarget DocumentTarget() {
  CaptureTarget target(OdString(u"Current document"), nullptr);
  target.window = reinterpret_cast<HWND>(0x300);
  target.frameFormat.biSize = 40;
  target.frameFormat.biWidth = 640;
  target.frameFormat.biHeight = 480;
  target.frameFormat.biBitCount = 32;
  return target;
}

TEST(FromTrackDialog, OpensWithStepSpeedAndTheRatesOfTheShownCompressor) {
  dialogs_test::EnsureApplication();
  ScriptedCompressors script({Codec("ZZZZ", u"Zulu", 30, 9000), Codec("KKKK", u"kilo", 15, 6000)});
  CDlgVideoFromTrackParams dialog(DocumentTarget());
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    EXPECT_EQ(driver.templateId(), 507u);
    EXPECT_EQ(driver.caption(), u"Video recording options");
    EXPECT_EQ(ControlOf(driver, IDC_EDIT_STEP_SPEED).text, u"1.5");
    EXPECT_EQ(ControlOf(driver, IDC_STATIC_START_DELAY).text, u"Step speed:");
    EXPECT_EQ(ControlOf(driver, IDC_COMBO_CODEC).items, (std::vector<std::u16string>{u"kilo", u"Zulu"}));
    EXPECT_EQ(ControlOf(driver, IDC_COMBO_CODEC).text, u"kilo");
    EXPECT_EQ(ControlOf(driver, IDC_COMBO_FPS).items,
              (std::vector<std::u16string>{u"1", u"3", u"5", u"7", u"10", u"15"}));
    EXPECT_EQ(ControlOf(driver, IDC_COMBO_FPS).text, u"15");
    EXPECT_TRUE(driver.saveImage((dialogs_test::ImageDir() / "dialog507.png").u16string()));
    ASSERT_TRUE(driver.setText(IDC_EDIT_STEP_SPEED, u"2.25"));
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_DOUBLE_EQ(dialog.m_stepSpeed, 2.25);
  EXPECT_EQ(dialog.m_params.startDelay, 0);
  EXPECT_EQ(dialog.m_params.window, reinterpret_cast<HWND>(0x300));
  EXPECT_EQ(dialog.m_params.frameFormat.biWidth, 640);
  EXPECT_EQ(dialog.m_params.frameFormat.biHeight, 480);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, Fourcc("KKKK"));
  EXPECT_EQ(dialog.m_params.quality, 6000);
  EXPECT_EQ(dialog.m_params.fps, 15);
  // One list: each compressor opened once.
  EXPECT_EQ(script.opened(), 2);
  EXPECT_TRUE(std::filesystem::exists(dialogs_test::ImageDir() / "dialog507.png"));
}

TEST(FromTrackDialog, TextThatIsNotANumberGivesStepSpeedZero) {
  dialogs_test::EnsureApplication();
  ScriptedCompressors script({Codec("ZZZZ", u"Zulu", 30, 9000)});
  CDlgVideoFromTrackParams dialog(DocumentTarget());
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    driver.select(IDC_COMBO_FPS, u"20");
    driver.setText(IDC_EDIT_STEP_SPEED, u"abc");
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_DOUBLE_EQ(dialog.m_stepSpeed, 0.0);
  EXPECT_EQ(dialog.m_params.fps, 20);
}

TEST(FromTrackDialog, WithoutCompressorsOkStillEndsAndOnlyPathWindowAndSpeedChange) {
  dialogs_test::EnsureApplication();
  ScriptedCompressors none({});
  CDlgVideoFromTrackParams dialog(DocumentTarget());
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    EXPECT_TRUE(ControlOf(driver, IDC_COMBO_CODEC).items.empty());
    EXPECT_TRUE(ControlOf(driver, IDC_COMBO_FPS).items.empty());
    driver.setText(IDC_EDIT_STEP_SPEED, u"4");
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_DOUBLE_EQ(dialog.m_stepSpeed, 4.0);
  EXPECT_EQ(dialog.m_params.window, reinterpret_cast<HWND>(0x300));
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, 0u);
  EXPECT_EQ(dialog.m_params.quality, -1);
  EXPECT_EQ(dialog.m_params.fps, 30);
  EXPECT_EQ(dialog.m_params.startDelay, 3);
}

TEST(FromTrackDialog, CancelKeepsTheDefaultsAndTheStepSpeed) {
  dialogs_test::EnsureApplication();
  ScriptedCompressors script({Codec("ZZZZ", u"Zulu", 30, 9000)});
  CDlgVideoFromTrackParams dialog(DocumentTarget());
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    driver.setText(IDC_EDIT_STEP_SPEED, u"7");
    driver.press(IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_DOUBLE_EQ(dialog.m_stepSpeed, 1.5);
  EXPECT_EQ(dialog.m_params.window, nullptr);
  EXPECT_EQ(dialog.m_params.startDelay, 3);
}

TEST(FromTrackDialog, TheAnswerCellIsSharedFromOneOpeningToTheNext) {
  dialogs_test::EnsureApplication();
  {
    ScriptedCompressors script({Codec("QQQQ", u"Loud", 10, 1234)});
    CDlgVideoFromTrackParams first(DocumentTarget());
    dialogs_test::RunModal(first, [](mfc::ModalDriver& driver) { driver.press(IDCANCEL); });
  }
  ScriptedCodec mute = Codec("MMMM", u"Mute", 0, 0);
  mute.answersKeyFrameRate = false;
  mute.answersQuality = false;
  ScriptedCompressors script({mute});
  CDlgVideoFromTrackParams second(DocumentTarget());
  ASSERT_EQ(dialogs_test::RunModal(second, [](mfc::ModalDriver& driver) { driver.press(IDOK); }), IDOK);
  EXPECT_EQ(second.m_params.quality, 1234);
  EXPECT_EQ(second.m_params.fps, 1);  // 1234 as key-frame rate offers every rate, the first chosen
}

TEST(FromTrackDialog, BrowsingTakesTheChosenPath) {
  dialogs_test::EnsureApplication();
  ScriptedCompressors script({Codec("ZZZZ", u"Zulu", 30, 9000)});
  const auto chosen = (std::filesystem::temp_directory_path() / "track.avi").u16string();
  CDlgVideoFromTrackParams dialog(DocumentTarget());
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    dialogs_test::WithNestedDialog(
        [&](mfc::ModalDriver& save) {
          save.setText(1148, chosen);
          save.press(IDOK);
        },
        [&] { driver.press(IDC_BUTTON_BROWSE); });
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.filePath.str(), chosen);
}

}  // namespace
