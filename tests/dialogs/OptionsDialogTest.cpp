// The two "Video recording options" dialogs on real widgets with a scripted
// compressor list, driven as a person would; the parameters they start from.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "DialogTestSupport.h"
#include "dialogs/DlgVideoFromTrackParams.h"
#include "dialogs/DlgVideoRecodingParams.h"
#include "dialogs/VideoRecordingParams.h"
#include "resources/DialogTemplates.h"
#include "support/MediaProbe.h"
#include "support/Process.h"
#include "support/XWindows.h"

namespace fs = std::filesystem;

using dialogs_test::Codec;
using dialogs_test::ScriptedCodec;
using dialogs_test::ScriptedCompressors;

namespace {

// Enumerated in this order; shown sorted without regard to case:
// "Alpha codec", "alpha codec", "Mute codec", "Zero codec", "zeta codec".
std::vector<ScriptedCodec> StandardCodecs() {
  ScriptedCodec mute = Codec("MMMM", u"Mute codec", 0, 0);
  mute.answersKeyFrameRate = mute.answersQuality = false;
  return {Codec("ZZZZ", u"zeta codec", 15, 7500),
          Codec("AAAA", u"Alpha codec", 12, 5000),
          Codec("aaaa", u"alpha codec", 30, 4000),
          Codec("DDDD", u"zeta codec", 20, 1),
          mute,
          Codec("0000", u"Zero codec", 0, 2500)};
}

std::string Utf8(const std::u16string& text) { return OdString(text.c_str()).toUtf8(); }

std::string DefaultPath() { return std::filesystem::current_path().string() + "\\Untitled.avi"; }

mfc::ModalDriver::Control ControlOf(mfc::ModalDriver& driver, int id) {
  for (const auto& control : driver.controls()) {
    if (control.id == id) return control;
  }
  ADD_FAILURE() << "no control " << id;
  return {};
}
// A combo box's list joined with "|", then "=" and the shown item.
std::string Combo(mfc::ModalDriver& driver, int id) {
  const auto control = ControlOf(driver, id);
  std::string text;
  for (const auto& item : control.items) text += (text.empty() ? "" : "|") + Utf8(item);
  return text + "=" + Utf8(control.text);
}

// Steps: "select ID TEXT", "set ID TEXT", "refuse ID TEXT" (refused), "press ID",
// "close", "browse PATH" (the save dialog answered with PATH; empty: cancelled).
void Drive(mfc::ModalDriver& driver, const std::vector<std::string>& steps) {
  for (const auto& step : steps) {
    char verb[16] = {};
    int id = 0, used = 0;
    std::sscanf(step.c_str(), "%15s %n%d %n", verb, &used, &id, &used);
    const std::u16string rest = OdString::fromUtf8(step.substr(std::min<std::size_t>(used, step.size()))).str();
    const std::string what = verb;
    if (what == "select" || what == "set" || what == "refuse") {
      EXPECT_EQ(what == "select" ? driver.select(id, rest) : driver.setText(id, rest), what != "refuse") << step;
    }
    if (what == "press") driver.press(id);
    if (what == "close") driver.close();
    if (what == "browse") {
      const std::u16string path = OdString::fromUtf8(step.substr(7)).str();
      dialogs_test::WithNestedDialog(
          [&](mfc::ModalDriver& save) {
            EXPECT_EQ(ControlOf(save, 1148).text, u"Untitled.avi");
            if (!path.empty()) { EXPECT_TRUE(save.setText(1148, path)); }
            save.press(path.empty() ? IDCANCEL : IDOK);
          },
          [&] { driver.press(IDC_BUTTON_BROWSE); });
    }
  }
  if (!driver.ended()) driver.press(IDOK);
}

// What a dialog handed back: result, window, frame width, compressor,
// quality, frames per second, start delay and file.
using Outcome = std::tuple<INT_PTR, std::uintptr_t, LONG, DWORD, int, int, int, std::string>;
Outcome Of(INT_PTR result, const VideoRecordingParams& p) {
  return {result,
          reinterpret_cast<std::uintptr_t>(p.window),
          p.frameFormat.biWidth,
          p.codecInfo.fccHandler,
          p.quality,
          p.fps,
          p.startDelay,
          p.filePath.toUtf8()};
}

CaptureTarget Target(const char16_t* name, std::uintptr_t window, LONG width, LONG height) {
  CaptureTarget target(OdString(name), nullptr);
  target.window = reinterpret_cast<HWND>(window);
  target.frameFormat.biWidth = width;
  target.frameFormat.biHeight = height;
  return target;
}
// The commands' two windows, as their targets carry them.
const CaptureTarget kProgram = Target(u"Entire programm", 0x100, 1024, 768);
const CaptureTarget kDocument = Target(u"Current document", 0x200, 800, 600);
const DWORD AAAA = dialogs_test::Fourcc("AAAA"), aaaa = dialogs_test::Fourcc("aaaa"),
            ZZZZ = dialogs_test::Fourcc("ZZZZ"), MMMM = dialogs_test::Fourcc("MMMM"),
            ZERO = dialogs_test::Fourcc("0000");

struct Session {
  std::vector<CaptureTarget> targets;
  bool compressors;  // the standard list, or none
  std::vector<std::string> steps;
  std::string rates;  // the frame-rate combo after the steps
  Outcome outcome;
};

TEST(RecordingDialog, ChoicesOfWindowCompressorRateDelayAndPathReachTheParameters) {
  dialogs_test::EnsureApplication();
  const std::vector<CaptureTarget> both{kProgram, kDocument},
      twins{kProgram, Target(u"Entire programm", 0x200, 800, 600)};
  const std::string path = DefaultPath(), chosen = (std::filesystem::temp_directory_path() / "chosen").string();
  const auto picture = dialogs_test::ImageDir() / "dialog500.png";
  const Session table[] = {
      // The document is chosen, then the first compressor; rates up to its key-frame rate 12, the first chosen.
      {both, true, {}, "1|3|5|7|10=1", {IDOK, 0x200, 800, AAAA, 5000, 1, 3, path}},
      // A silent compressor inherits the answer before it (quality 4000) as its rate: all rates offered.
      {both, true, {"select 503 Mute codec"}, "1|3|5|7|10|15|20=1", {IDOK, 0x200, 800, MMMM, 4000, 1, 3, path}},
      {both, true, {"select 503 zeta codec"}, "1|3|5|7|10|15=15", {IDOK, 0x200, 800, ZZZZ, 7500, 15, 3, path}},
      {both,
       true,
       {"select 503 zeta codec", "select 503 alpha codec", "select 505 20"},
       "1|3|5|7|10|15|20=20",
       {IDOK, 0x200, 800, aaaa, 4000, 20, 3, path}},
      {both, true, {"select 503 Zero codec"}, "=", {IDOK, 0x200, 800, ZERO, 2500, 0, 3, path}},
      // Another window refills the compressors from the first.
      {both,
       true,
       {"select 503 zeta codec", "select 504 Entire programm"},
       "1|3|5|7|10=1",
       {IDOK, 0x100, 1024, AAAA, 5000, 1, 3, path}},
      {{kProgram}, true, {}, "1|3|5|7|10=1", {IDOK, 0x100, 1024, AAAA, 5000, 1, 3, path}},
      {twins, true, {}, "1|3|5|7|10=1", {IDOK, 0x200, 800, AAAA, 5000, 1, 3, path}},  // the later of two names
      {both,
       true,
       {"set 506 ", "refuse 501 /typed/over.avi"},
       "1|3|5|7|10=1",
       {IDOK, 0x200, 800, AAAA, 5000, 1, 0, path}},
      {both,
       true,
       {"set 506 12", "browse ", "browse " + chosen},
       "1|3|5|7|10=1",
       {IDOK, 0x200, 800, AAAA, 5000, 1, 12, chosen + ".avi"}},
      {both,
       true,
       {"select 503 zeta codec", "set 506 9", "press 2"},
       "1|3|5|7|10|15=15",
       {IDCANCEL, 0, 0, 0, -1, 30, 3, path}},
      {both, true, {"close"}, "1|3|5|7|10=1", {IDCANCEL, 0, 0, 0, -1, 30, 3, path}},
      // Without windows or compressors their fields keep the starting values.
      {{}, true, {}, "=", {IDOK, 0, 0, 0, -1, 30, 3, path}},
      {both, false, {"set 506 8"}, "=", {IDOK, 0x200, 800, 0, -1, 30, 3, path}},
  };
  for (const Session& row : table) {
    std::string trace;
    for (const auto& step : row.steps) trace += "[" + step + "] ";
    SCOPED_TRACE(trace + "windows " + std::to_string(row.targets.size()));
    ScriptedCompressors script(row.compressors ? StandardCodecs() : std::vector<ScriptedCodec>{});
    std::vector<CaptureTarget> targets = row.targets;
    CDlgVideoRecodingParams dialog(&targets);
    std::string rates;
    const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
      if (&row == table) {  // as it opens: template 500, the compressors sorted without regard to case
        EXPECT_EQ(driver.templateId(), 500u);
        EXPECT_EQ(driver.caption(), u"Video recording options");
        EXPECT_EQ(Combo(driver, IDC_COMBO_CODEC),
                  "Alpha codec|alpha codec|Mute codec|Zero codec|zeta codec=Alpha codec");
        EXPECT_TRUE(driver.saveImage(picture.u16string()));
      }
      Drive(driver, row.steps);
      rates = Combo(driver, IDC_COMBO_FPS);
    });
    EXPECT_EQ(rates, row.rates);
    EXPECT_EQ(Of(result, dialog.m_params), row.outcome);
    // Each window has a list of its own: every compressor is opened once per window and closed again.
    EXPECT_EQ(script.opened(), row.compressors ? 6 * static_cast<int>(row.targets.size()) : 0);
    EXPECT_EQ(script.closed(), script.opened());
  }
  CDlgVideoRecodingParams noList(nullptr);
  EXPECT_EQ(dialogs_test::RunModal(noList, [](mfc::ModalDriver& driver) { driver.press(IDOK); }), IDOK);
  EXPECT_TRUE(pcvr_test::DecodePicture(picture).ok);
  // The start delay is a whole number that cannot be negative.
  EXPECT_EQ(noList.m_editStartDelay.m_decimalPlaces, 0);
  EXPECT_FALSE(noList.m_editStartDelay.m_allowNegative);
}

// Step speed, rates and path of the trajectory's dialog, and what it hands back.
TEST(FromTrackDialog, StepSpeedCompressorRateAndPathReachTheParameters) {
  dialogs_test::EnsureApplication();
  const CaptureTarget document = Target(u"Current document", 0x300, 640, 480);
  const std::string path = DefaultPath(), chosen = (std::filesystem::temp_directory_path() / "track.avi").string();
  const DWORD KKKK = dialogs_test::Fourcc("KKKK");
  struct Row {
    bool compressors;
    std::vector<std::string> steps;
    double stepSpeed;
    Outcome outcome;
  } const table[] = {
      {true, {"set 508 2.25"}, 2.25, {IDOK, 0x300, 640, KKKK, 6000, 15, 0, path}},
      {true, {"select 503 Zulu", "select 505 20", "set 508 abc"}, 0.0, {IDOK, 0x300, 640, ZZZZ, 9000, 20, 0, path}},
      {true, {"select 503 Zulu", "browse " + chosen}, 1.5, {IDOK, 0x300, 640, ZZZZ, 9000, 1, 0, chosen}},
      {true, {"set 508 7", "press 2"}, 1.5, {IDCANCEL, 0, 0, 0, -1, 30, 3, path}},
      // Without compressors OK still ends, and only the path, window and speed change.
      {false, {"set 508 4"}, 4.0, {IDOK, 0x300, 640, 0, -1, 30, 3, path}},
  };
  for (const Row& row : table) {
    SCOPED_TRACE(row.steps.front());
    ScriptedCompressors script(row.compressors
                                   ? std::vector{Codec("ZZZZ", u"Zulu", 30, 9000), Codec("KKKK", u"kilo", 15, 6000)}
                                   : std::vector<ScriptedCodec>{});
    CDlgVideoFromTrackParams dialog(document);
    const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
      EXPECT_EQ(driver.templateId(), 507u);
      EXPECT_EQ(ControlOf(driver, IDC_EDIT_STEP_SPEED).text, u"1.5");
      EXPECT_EQ(ControlOf(driver, IDC_STATIC_START_DELAY).text, u"Step speed:");
      EXPECT_EQ(Combo(driver, IDC_COMBO_FPS), row.compressors ? "1|3|5|7|10|15=15" : "=");
      EXPECT_EQ(Combo(driver, IDC_COMBO_CODEC), row.compressors ? "kilo|Zulu=kilo" : "=");
      Drive(driver, row.steps);
    });
    EXPECT_DOUBLE_EQ(dialog.m_stepSpeed, row.stepSpeed);
    EXPECT_EQ(Of(result, dialog.m_params), row.outcome);
    EXPECT_EQ(script.opened(), row.compressors ? 2 : 0);  // one list: each compressor opened once
  }
}

TEST(FromTrackDialog, TheAnswerCellIsSharedFromOneOpeningToTheNext) {
  dialogs_test::EnsureApplication();
  {
    ScriptedCompressors script({Codec("QQQQ", u"Loud", 10, 1234)});
    CDlgVideoFromTrackParams first(kDocument);
    dialogs_test::RunModal(first, [](mfc::ModalDriver& driver) { driver.press(IDCANCEL); });
  }
  ScriptedCodec mute = Codec("MMMM", u"Mute", 0, 0);
  mute.answersKeyFrameRate = mute.answersQuality = false;
  ScriptedCompressors script({mute});
  CDlgVideoFromTrackParams second(kDocument);
  ASSERT_EQ(dialogs_test::RunModal(second, [](mfc::ModalDriver& driver) { driver.press(IDOK); }), IDOK);
  EXPECT_EQ(second.m_params.quality, 1234);
  EXPECT_EQ(second.m_params.fps, 1);  // 1234 as key-frame rate offers every rate, the first chosen
}

// Recording parameters: the default file, and capture targets of real X windows.
bool AllZero(const BITMAPINFOHEADER& format) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&format);
  return std::all_of(bytes, bytes + sizeof format, [](unsigned char b) { return b == 0; });
}

TEST(RecordingParams, TheDefaultFileIsUntitledInTheCurrentFolderHoweverLongOrGone) {
  const pcvr_test::TempDir root("pcvr-params-");
  fs::path deep = root.path();
  while (deep.string().size() <= 300) deep /= std::string(40, 'd');  // longer than MAX_PATH: kept whole
  fs::create_directories(deep);
  const fs::path gone = root / "gone";
  fs::create_directories(gone);
  const auto previous = fs::current_path();
  for (const auto& [folder, expected] :
       {std::pair{deep, deep.string() + "\\Untitled.avi"}, std::pair{gone, std::string(".\\Untitled.avi")}}) {
    fs::current_path(folder);
    if (folder == gone) fs::remove(gone);  // a removed current folder gives a path relative to it
    EXPECT_EQ(VideoRecordingParams().filePath.toUtf8(), expected);
  }
  fs::current_path(previous);
}

TEST(CaptureTargets, TheClientSizeMadeEvenAt32BitsPerPixelOrNothingWithoutAWindow) {
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  const auto gone = x.create(0, 0, 0, 320, 240);
  x.destroy(gone);  // the server has it gone once this returns
  const struct {
    std::uintptr_t window;
    LONG width, height;
  } table[] = {
      {x.create(0, 0, 0, 801, 601), 800, 600}, {x.create(0, 0, 0, 640, 480), 640, 480}, {0, 0, 0}, {gone, 0, 0}};
  for (const auto& row : table) {
    const CaptureTarget target(OdString(u"Current document"), reinterpret_cast<HWND>(row.window));
    EXPECT_EQ(target.name.toUtf8(), "Current document");
    EXPECT_EQ(target.window, reinterpret_cast<HWND>(row.window));
    const BITMAPINFOHEADER& f = target.frameFormat;
    if (row.width == 0) {
      EXPECT_TRUE(AllZero(f)) << row.window;
      continue;
    }
    EXPECT_EQ(
        std::make_tuple(f.biSize, f.biWidth, f.biHeight, f.biPlanes, f.biBitCount, f.biCompression, f.biSizeImage),
        std::make_tuple(40u, row.width, row.height, WORD{1}, WORD{32}, DWORD{0}, DWORD(row.width * row.height * 4)));
    EXPECT_EQ(std::make_tuple(f.biXPelsPerMeter, f.biYPelsPerMeter, f.biClrUsed, f.biClrImportant),
              std::make_tuple(0, 0, 0u, 0u));
  }
  EXPECT_TRUE(AllZero(CaptureTarget().frameFormat));
}

}  // namespace
