// The "Video recording options" dialog of the live recording, on real
// widgets, with a scripted compressor list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "DialogTestSupport.h"
#include "dialogs/DlgVideoRecodingParams.h"
#include "mfc/QtBridge.h"
#include "resources/DialogTemplates.h"
#include "win32/UserInput.h"

using dialogs_test::Codec;
using dialogs_test::Fourcc;
using dialogs_test::ScriptedCodec;
using dialogs_test::ScriptedCompressors;

namespace {

// Enumerated in this order; shown sorted without regard to case:
// "Alpha codec", "alpha codec", "Mute codec", "Zero codec", "zeta codec".
std::vector<ScriptedCodec> StandardCodecs() {
  ScriptedCodec mute = Codec("MMMM", u"Mute codec", 0, 0);
  mute.answersKeyFrameRate = false;
  mute.answersQuality = false;
  return {Codec("ZZZZ", u"zeta codec", 15, 7500), Codec("AAAA", u"Alpha codec", 12, 5000),
          Codec("aaaa", u"alpha codec", 30, 4000), Codec("DDDD", u"zeta codec", 20, 1),
          mute, Codec("0000", u"Zero codec", 0, 2500)};
}

std::u16string DefaultPath() {
  const std::string cwd = std::filesystem::current_path().string();
  return std::u16string(cwd.begin(), cwd.end()) + u"\\Untitled.avi";
}

const mfc::ModalDriver::Control& ControlOf(const std::vector<mfc::ModalDriver::Control>& controls, int id) {
  for (const auto& control : controls) {
    if (control.id == id) return control;
  }
  static const mfc::ModalDriver::Control none;
  ADD_FAILURE() << "no control " << id;
  return none;
}

std::vector<std::u16string> Items(mfc::ModalDriver& driver, int id) { return ControlOf(driver.controls(), id).items; }
std::u16string Shown(mfc::ModalDriver& driver, int id) { return ControlOf(driver.controls(), id).text; }

class RecordingDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs_test::EnsureApplication();
    // Two windows: distinct fake handles; their formats are set by hand as
    // the commands' targets would carry them.
    CaptureTarget program(OdString(u"Entire programm"), nullptr);
    program.window = reinterpret_cast<HWND>(0x100);
    program.frameFormat.biWidth = 1024;
    program.frameFormat.biHeight = 768;
    CaptureTarget document(OdString(u"Current document"), nullptr);
    document.window = reinterpret_cast<HWND>(0x200);
    document.frameFormat.biWidth = 800;
    document.frameFormat.biHeight = 600;
    m_targets = {program, document};
  }
  std::vector<CaptureTarget> m_targets;
};

TEST_F(RecordingDialog, OpensWithTheDocumentChosenSortedCodecsAndTheirRates) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    EXPECT_EQ(driver.templateId(), 500u);
    EXPECT_EQ(driver.caption(), u"Video recording options");
    const auto controls = driver.controls();
    EXPECT_EQ(ControlOf(controls, IDC_EDIT_PATH).text, DefaultPath());
    EXPECT_EQ(ControlOf(controls, IDC_COMBO_WINDOW).items,
              (std::vector<std::u16string>{u"Entire programm", u"Current document"}));
    EXPECT_EQ(ControlOf(controls, IDC_COMBO_WINDOW).selected, 1);
    EXPECT_EQ(ControlOf(controls, IDC_COMBO_CODEC).items,
              (std::vector<std::u16string>{u"Alpha codec", u"alpha codec", u"Mute codec", u"Zero codec", u"zeta codec"}));
    EXPECT_EQ(ControlOf(controls, IDC_COMBO_CODEC).selected, 0);
    // "Alpha codec" has the default key-frame rate 12: rates up to 10, the first chosen.
    EXPECT_EQ(ControlOf(controls, IDC_COMBO_FPS).items, (std::vector<std::u16string>{u"1", u"3", u"5", u"7", u"10"}));
    EXPECT_EQ(ControlOf(controls, IDC_COMBO_FPS).text, u"1");
    EXPECT_EQ(ControlOf(controls, IDC_EDIT_START_DELAY).text, u"3");
    EXPECT_EQ(ControlOf(controls, IDC_STATIC_START_DELAY).text, u"Start delay:");
    EXPECT_EQ(ControlOf(controls, IDOK).text, u"&OK");
    EXPECT_EQ(dialog.m_editStartDelay.m_decimalPlaces, 0);
    EXPECT_FALSE(dialog.m_editStartDelay.m_allowNegative);
    EXPECT_TRUE(driver.saveImage((dialogs_test::ImageDir() / "dialog500.png").u16string()));
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.filePath.str(), DefaultPath());
  EXPECT_EQ(dialog.m_params.window, reinterpret_cast<HWND>(0x200));
  EXPECT_EQ(dialog.m_params.frameFormat.biWidth, 800);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, Fourcc("AAAA"));
  EXPECT_EQ(dialog.m_params.quality, 5000);
  EXPECT_EQ(dialog.m_params.fps, 1);
  EXPECT_EQ(dialog.m_params.startDelay, 3);
  // Each window has a list of its own, so every compressor was opened once per window.
  EXPECT_EQ(script.opened(), 12);
  EXPECT_EQ(script.closed(), 12);
  // The picture is the dialog as it was shown.
  const QImage picture(QString::fromStdString((dialogs_test::ImageDir() / "dialog500.png").string()));
  EXPECT_FALSE(picture.isNull());
}

TEST_F(RecordingDialog, AnswersOfCompressorsThatAreSilentComeFromTheOneBefore) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    ASSERT_TRUE(driver.select(IDC_COMBO_CODEC, u"Mute codec"));
    // It inherited the previous compressor's quality answer, 4000, as its
    // key-frame rate: every rate is offered and the first is chosen.
    EXPECT_EQ(Items(driver, IDC_COMBO_FPS).size(), 7u);
    EXPECT_EQ(Shown(driver, IDC_COMBO_FPS), u"1");
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, Fourcc("MMMM"));
  EXPECT_EQ(dialog.m_params.quality, 4000);
}

TEST_F(RecordingDialog, ChangingTheCompressorRebuildsTheRatesAndOkTakesThem) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    ASSERT_TRUE(driver.select(IDC_COMBO_CODEC, u"zeta codec"));
    EXPECT_EQ(Items(driver, IDC_COMBO_FPS), (std::vector<std::u16string>{u"1", u"3", u"5", u"7", u"10", u"15"}));
    EXPECT_EQ(Shown(driver, IDC_COMBO_FPS), u"15");
    ASSERT_TRUE(driver.select(IDC_COMBO_CODEC, u"alpha codec"));
    EXPECT_EQ(Items(driver, IDC_COMBO_FPS).size(), 7u);
    EXPECT_EQ(Shown(driver, IDC_COMBO_FPS), u"1");
    ASSERT_TRUE(driver.select(IDC_COMBO_FPS, u"20"));
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, Fourcc("aaaa"));
  EXPECT_EQ(dialog.m_params.quality, 4000);
  EXPECT_EQ(dialog.m_params.fps, 20);
}

TEST_F(RecordingDialog, ACompressorWithoutRatesGivesFpsZero) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    ASSERT_TRUE(driver.select(IDC_COMBO_CODEC, u"Zero codec"));
    EXPECT_TRUE(Items(driver, IDC_COMBO_FPS).empty());
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, Fourcc("0000"));
  EXPECT_EQ(dialog.m_params.fps, 0);
}

TEST_F(RecordingDialog, ChangingTheWindowRefillsTheCodecsFromTheFirst) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    ASSERT_TRUE(driver.select(IDC_COMBO_CODEC, u"zeta codec"));
    ASSERT_TRUE(driver.select(IDC_COMBO_WINDOW, u"Entire programm"));
    EXPECT_EQ(Shown(driver, IDC_COMBO_CODEC), u"Alpha codec");
    EXPECT_EQ(Items(driver, IDC_COMBO_CODEC).size(), 5u);
    EXPECT_EQ(Items(driver, IDC_COMBO_FPS).size(), 5u);
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.window, reinterpret_cast<HWND>(0x100));
  EXPECT_EQ(dialog.m_params.frameFormat.biWidth, 1024);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, Fourcc("AAAA"));
}

TEST_F(RecordingDialog, ASingleWindowIsChosenAndARepeatedNameLeadsToTheLaterWindow) {
  ScriptedCompressors script(StandardCodecs());
  std::vector<CaptureTarget> one = {m_targets[0]};
  CDlgVideoRecodingParams single(&one);
  EXPECT_EQ(dialogs_test::RunModal(single,
                                   [&](mfc::ModalDriver& driver) {
                                     EXPECT_EQ(Shown(driver, IDC_COMBO_WINDOW), u"Entire programm");
                                     driver.press(IDOK);
                                   }),
            IDOK);
  EXPECT_EQ(single.m_params.window, reinterpret_cast<HWND>(0x100));

  std::vector<CaptureTarget> twins = {m_targets[0], m_targets[1]};
  twins[1].name = OdString(u"Entire programm");
  CDlgVideoRecodingParams repeated(&twins);
  EXPECT_EQ(dialogs_test::RunModal(repeated,
                                   [&](mfc::ModalDriver& driver) {
                                     EXPECT_EQ(Items(driver, IDC_COMBO_WINDOW).size(), 2u);
                                     driver.press(IDOK);
                                   }),
            IDOK);
  EXPECT_EQ(repeated.m_params.window, reinterpret_cast<HWND>(0x200));
}

TEST_F(RecordingDialog, TheStartDelayFieldFiltersKeysAndAnEmptyFieldGivesZero) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    auto* edit = qobject_cast<QLineEdit*>(mfc::WidgetOf(&dialog.m_editStartDelay));
    ASSERT_NE(edit, nullptr);
    dialog.m_editStartDelay.SetSel(1, 1);
    const unsigned before = win32::BeepCount();
    dialogs_test::PressKey(edit, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(edit->text(), "3");
    EXPECT_EQ(win32::BeepCount(), before);
    dialogs_test::PressKeypad(edit, Qt::Key_Minus, QStringLiteral("-"));
    dialogs_test::PressKeypad(edit, Qt::Key_Period, QStringLiteral("."));
    EXPECT_EQ(win32::BeepCount(), before + 2);
    EXPECT_EQ(edit->text(), "3");
    ASSERT_TRUE(driver.setText(IDC_EDIT_START_DELAY, u""));
    driver.press(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_params.startDelay, 0);
}

TEST_F(RecordingDialog, TypedPathsAreIgnoredAndBrowsedPathsAreTaken) {
  ScriptedCompressors script(StandardCodecs());
  const auto folder = std::filesystem::temp_directory_path();
  CDlgVideoRecodingParams typed(&m_targets);
  EXPECT_EQ(dialogs_test::RunModal(typed,
                                   [&](mfc::ModalDriver& driver) {
                                     // The box is read-only: typing is refused.
                                     EXPECT_FALSE(driver.setText(IDC_EDIT_PATH, u"/typed/over.avi"));
                                     driver.press(IDOK);
                                   }),
            IDOK);
  EXPECT_EQ(typed.m_params.filePath.str(), DefaultPath());

  CDlgVideoRecodingParams browsed(&m_targets);
  const std::u16string chosen = (folder / "chosen").u16string();
  EXPECT_EQ(dialogs_test::RunModal(browsed,
                                   [&](mfc::ModalDriver& driver) {
                                     // A cancelled save dialog changes nothing.
                                     dialogs_test::WithNestedDialog(
                                         [](mfc::ModalDriver& save) { save.press(IDCANCEL); },
                                         [&] { driver.press(IDC_BUTTON_BROWSE); });
                                     EXPECT_EQ(Shown(driver, IDC_EDIT_PATH), DefaultPath());
                                     dialogs_test::WithNestedDialog(
                                         [&](mfc::ModalDriver& save) {
                                           EXPECT_EQ(save.templateId(), 0u);
                                           EXPECT_EQ(save.controls().at(0).text, u"Untitled.avi");
                                           ASSERT_TRUE(save.setText(1148, chosen));
                                           save.press(IDOK);
                                         },
                                         [&] { driver.press(IDC_BUTTON_BROWSE); });
                                     EXPECT_EQ(Shown(driver, IDC_EDIT_PATH), chosen + u".avi");
                                     driver.press(IDOK);
                                   }),
            IDOK);
  EXPECT_EQ(browsed.m_params.filePath.str(), chosen + u".avi");
}

TEST_F(RecordingDialog, CancelReturnsCancelAndKeepsTheDefaults) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    driver.select(IDC_COMBO_CODEC, u"zeta codec");
    driver.setText(IDC_EDIT_START_DELAY, u"9");
    driver.press(IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_params.fps, 30);
  EXPECT_EQ(dialog.m_params.quality, -1);
  EXPECT_EQ(dialog.m_params.startDelay, 3);
  EXPECT_EQ(dialog.m_params.window, nullptr);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, 0u);

  CDlgVideoRecodingParams closed(&m_targets);
  EXPECT_EQ(dialogs_test::RunModal(closed, [](mfc::ModalDriver& driver) { driver.close(); }), IDCANCEL);
}

TEST_F(RecordingDialog, NoWindowsOrNoCompressorsLeaveTheirFieldsAtTheDefaults) {
  {
    ScriptedCompressors script(StandardCodecs());
    std::vector<CaptureTarget> none;
    CDlgVideoRecodingParams dialog(&none);
    EXPECT_EQ(dialogs_test::RunModal(dialog,
                                     [&](mfc::ModalDriver& driver) {
                                       EXPECT_TRUE(Items(driver, IDC_COMBO_WINDOW).empty());
                                       EXPECT_TRUE(Items(driver, IDC_COMBO_CODEC).empty());
                                       EXPECT_TRUE(Items(driver, IDC_COMBO_FPS).empty());
                                       driver.press(IDOK);
                                     }),
              IDOK);
    EXPECT_EQ(dialog.m_params.filePath.str(), DefaultPath());
    EXPECT_EQ(dialog.m_params.window, nullptr);
    EXPECT_EQ(dialog.m_params.fps, 30);
    CDlgVideoRecodingParams nullList(nullptr);
    EXPECT_EQ(dialogs_test::RunModal(nullList, [](mfc::ModalDriver& driver) { driver.press(IDOK); }), IDOK);
  }
  ScriptedCompressors nothing({});
  CDlgVideoRecodingParams dialog(&m_targets);
  EXPECT_EQ(dialogs_test::RunModal(dialog,
                                   [&](mfc::ModalDriver& driver) {
                                     EXPECT_TRUE(Items(driver, IDC_COMBO_CODEC).empty());
                                     EXPECT_TRUE(Items(driver, IDC_COMBO_FPS).empty());
                                     driver.setText(IDC_EDIT_START_DELAY, u"8");
                                     driver.press(IDOK);
                                   }),
            IDOK);
  EXPECT_EQ(dialog.m_params.window, reinterpret_cast<HWND>(0x200));
  EXPECT_EQ(dialog.m_params.frameFormat.biWidth, 800);
  EXPECT_EQ(dialog.m_params.codecInfo.fccHandler, 0u);
  EXPECT_EQ(dialog.m_params.quality, -1);
  EXPECT_EQ(dialog.m_params.fps, 30);
  EXPECT_EQ(dialog.m_params.startDelay, 3);
}

TEST_F(RecordingDialog, LaidOutInDialogUnitsAndTabbedInTemplateOrder) {
  ScriptedCompressors script(StandardCodecs());
  CDlgVideoRecodingParams dialog(&m_targets);
  dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
    QWidget* window = mfc::WidgetOf(&dialog);
    ASSERT_NE(window, nullptr);
    const QFontMetrics metrics(window->font());
    const int baseX = (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int baseY = metrics.height();
    const auto dluX = [&](int pixels) { return pixels * 4.0 / baseX; };
    const auto dluY = [&](int pixels) { return pixels * 8.0 / baseY; };
    EXPECT_NEAR(dluX(window->width()), 197, 1);
    EXPECT_NEAR(dluY(window->height()), 182, 1);
    QWidget* ok = mfc::WidgetOf(dialog.GetDlgItem(IDOK));
    ASSERT_NE(ok, nullptr);
    EXPECT_NEAR(dluX(ok->x()), 81, 1);
    EXPECT_NEAR(dluY(ok->y()), 160, 1);
    EXPECT_NEAR(dluX(ok->width()), 50, 1);
    QWidget* delay = mfc::WidgetOf(&dialog.m_editStartDelay);
    EXPECT_NEAR(dluX(delay->x()), 7, 1);
    EXPECT_NEAR(dluY(delay->y()), 133, 1);
    EXPECT_NEAR(dluY(delay->height()), 14, 1);
    EXPECT_TRUE(static_cast<QPushButton*>(ok)->isDefault());

    std::vector<int> order;
    QWidget* first = mfc::WidgetOf(&dialog.m_editPath);
    QWidget* at = first;
    do {
      if (at->focusPolicy() & Qt::TabFocus && at->property("mfcControl").toBool()) {
        order.push_back(at->property("mfcControlId").toInt());
      }
      at = at->nextInFocusChain();
    } while (at != first && order.size() < 20);
    EXPECT_EQ(order, (std::vector<int>{501, 502, 504, 503, 505, 506, 1, 2}));
    driver.press(IDCANCEL);
  });
}

}  // namespace
