// The numeric edit control on a real line edit: keystrokes and pastes from the
// real clipboard over a table of fields, what is typed and what they then hold.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <map>
#include <optional>

#include "DialogTestSupport.h"
#include "dialogs/DlgVideoRecodingParams.h"
#include "dialogs/NumericEdit.h"
#include "mfc/QtBridge.h"
#include "support/Process.h"
#include "win32/UserInput.h"

namespace {

struct Key {
  int key;
  const char* text;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};
// Keys by name; a digit alone is the main row's, "K" and a character the
// keypad's.
const std::map<std::string, Key> kKeys = {{"K.", {Qt::Key_Period, ".", Qt::KeypadModifier}},
                                          {"K,", {Qt::Key_Period, ",", Qt::KeypadModifier}},
                                          {"K-", {Qt::Key_Minus, "-", Qt::KeypadModifier}},
                                          {"K+", {Qt::Key_Plus, "+", Qt::KeypadModifier}},
                                          {"K*", {Qt::Key_Asterisk, "*", Qt::KeypadModifier}},
                                          {"a", {Qt::Key_A, "a"}},
                                          {"-", {Qt::Key_Minus, "-"}},
                                          {".", {Qt::Key_Period, "."}},
                                          {",", {Qt::Key_Comma, ","}},
                                          {"space", {Qt::Key_Space, " "}},
                                          {"e-acute", {Qt::Key_Eacute, "\u00e9"}},
                                          {"shift+1", {Qt::Key_Exclam, "!", Qt::ShiftModifier}},
                                          {"shift+9", {Qt::Key_ParenLeft, "(", Qt::ShiftModifier}},
                                          {"backspace", {Qt::Key_Backspace, ""}},
                                          {"home", {Qt::Key_Home, ""}},
                                          {"end", {Qt::Key_End, ""}},
                                          {"delete", {Qt::Key_Delete, ""}},
                                          {"ctrl+C", {Qt::Key_C, "", Qt::ControlModifier}},
                                          {"ctrl+X", {Qt::Key_X, "", Qt::ControlModifier}},
                                          {"ctrl+V", {Qt::Key_V, "", Qt::ControlModifier}},
                                          {"ctrl+A", {Qt::Key_A, "", Qt::ControlModifier}},
                                          {"ctrl+Z", {Qt::Key_Z, "", Qt::ControlModifier}},
                                          {"shift+insert", {Qt::Key_Insert, "", Qt::ShiftModifier}}};

// Steps: a key name, a digit ("7" main row, "K7" keypad), "sel A B" (a
// selection; B -1 to the end), "clip TEXT" (the clipboard) or "paste TEXT"
// (the clipboard, then Ctrl+V).
void Step(QLineEdit* edit, CNumericEdit& control, const std::string& step) {
  int start = 0, end = 0;
  if (std::sscanf(step.c_str(), "sel %d %d", &start, &end) == 2) return control.SetSel(start, end);
  if (step.rfind("clip ", 0) == 0 || step.rfind("paste ", 0) == 0) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8(step.substr(step.find(' ') + 1).c_str()));
    if (step[0] == 'p') Step(edit, control, "ctrl+V");
    return;
  }
  const char last = step.back();
  if (last >= '0' && last <= '9' && step.size() <= 2) {
    return dialogs_test::PressKey(edit, Qt::Key_0 + (last - '0'), QString(QChar(last)),
                                  step.size() == 2 ? Qt::KeypadModifier : Qt::NoModifier);
  }
  const auto key = kKeys.find(step);
  ASSERT_NE(key, kKeys.end()) << step;
  dialogs_test::PressKey(edit, key->second.key, QString::fromUtf8(key->second.text), key->second.modifiers);
}

struct Typing {
  bool allowNegative;
  unsigned short places;
  const char16_t* initial;
  std::vector<std::string> steps;
  const char* text;  // what the field holds after the steps
  unsigned beeps;
  std::pair<int, int> selection = {-1, -1};  // checked unless -1
  const char* clipboard = nullptr;           // checked unless null
};

// Each row types into the start delay's field of the recording dialog, set
// up with the row's rules and text.
class NumericEdit : public ::testing::Test {
 protected:
  void SetUp() override { dialogs_test::EnsureApplication(); }
  void Check(const std::vector<Typing>& table) {
    for (const Typing& row : table) {
      std::string trace = "initial \"" + QString::fromUtf16(row.initial).toStdString() + "\", steps:";
      for (const auto& step : row.steps) trace += " [" + step + "]";
      SCOPED_TRACE(trace);
      CDlgVideoRecodingParams dialog(nullptr);
      CNumericEdit& field = dialog.m_editStartDelay;
      dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
        auto* edit = qobject_cast<QLineEdit*>(mfc::WidgetOf(&field));
        ASSERT_NE(edit, nullptr);
        field.m_allowNegative = row.allowNegative;
        field.m_decimalPlaces = row.places;
        field.SetWindowText(row.initial);
        const unsigned before = win32::BeepCount();
        for (const auto& step : row.steps) Step(edit, field, step);
        EXPECT_EQ(edit->text().toStdString(), row.text);
        EXPECT_EQ(win32::BeepCount() - before, row.beeps);
        int start = 0, end = 0;
        field.GetSel(start, end);
        if (row.selection.first >= 0) { EXPECT_EQ(std::make_pair(start, end), row.selection); }
        if (row.clipboard != nullptr) { EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), row.clipboard); }
        driver.press(IDCANCEL);
      });
    }
  }
};

TEST_F(NumericEdit, KeysAndPastesFollowTheFieldsRules) {
  Check({
      // Whole numbers (the start delay): digits of both rows once it holds text.
      {false, 0, u"3", {"sel 1 1", "5", "K7"}, "357", 0},
      {false, 0, u"3", {"sel 1 1", "K."}, "3", 1},
      {false, 0, u"3", {"sel 1 1", "K-"}, "3", 1},
      {false, 0, u"3", {"sel 1 1", "space"}, "3", 1},
      // Letters, main-row punctuation, other keypad operators and shifted digits: nothing, silently.
      {false, 0, u"3", {"sel 1 1", "a", "-", ".", ",", "K+", "K*", "e-acute", "shift+1", "shift+9"}, "3", 0},
      // Editing keys work as usual.
      {false, 0, u"357", {"sel 3 3", "backspace", "home", "delete", "end"}, "5", 0, {1, 1}},
      // An empty field takes the keypad separator even for whole numbers, once.
      {false, 0, u"", {"K."}, ".", 0},
      {false, 0, u"", {"K.", "K."}, ".", 1},
      // Decimal places limit the digits after the separator only.
      {true, 2, u"1.25", {"sel 4 4", "3"}, "1.25", 1},
      {true, 2, u"1.25", {"sel 1 1", "3"}, "13.25", 0},
      // No second separator: not after it, not right before it, not over a selection that leaves it.
      {true, 2, u"13.25", {"sel 4 4", "K.", "sel 2 2", "K.", "sel 3 5", "K."}, "13.25", 3},
      {true, 2, u"13.25", {"sel 1 4", "K."}, "1.5", 0},
      // Nothing in front of the sign unless it is selected.
      {true, 6, u"-5", {"sel 0 0", "1"}, "-5", 1},
      {true, 6, u"-5", {"sel 0 -1", "1"}, "1", 0},
      // The keypad minus goes only to the front, once, and only where negatives are allowed.
      {true, 6, u"", {"K-"}, "-", 0},
      {true, 6, u"5", {"sel 1 1", "K-"}, "5", 1},
      {true, 6, u"5", {"sel 0 0", "K-", "sel 0 0", "K-"}, "-5", 1},
      {true, 6, u"-5", {"sel 0 -1", "K-"}, "-", 0},
      {false, 6, u"", {"K-"}, "", 1},
      // Ctrl+C, V and X reach the control; Ctrl+A and Ctrl+Z do nothing.
      {false, 0, u"12", {"clip stale", "sel 0 -1", "ctrl+C"}, "12", 0, {-1, -1}, "12"},
      {false, 0, u"12", {"sel 0 -1", "ctrl+X"}, "", 0, {-1, -1}, "12"},
      {false, 0, u"", {"clip 12", "ctrl+V"}, "12", 0},
      {false, 0, u"12", {"sel 1 1", "ctrl+A", "ctrl+Z"}, "12", 0, {1, 1}},
      // A paste takes the leading number only, whole numbers stop at the separator,
      // Shift+Insert pastes through the same filter.
      {false, 0, u"", {"paste   42abc"}, "42", 0, {2, 2}},
      {false, 0, u"42", {"sel 2 2", "paste abc"}, "42", 1},
      {false, 0, u"42", {"sel 0 -1", "paste \t 7\n8"}, "7", 0},
      {false, 0, u"42", {"sel 0 -1", "paste 12.5"}, "12", 0},
      {false, 0, u"42", {"sel 0 -1", "clip 9x", "shift+insert"}, "9", 0},
      // Pasted signs are refused where no sign may go.
      {false, 0, u"", {"paste -5"}, "", 1},
      {true, 2, u"7", {"sel 1 1", "paste -5"}, "7", 1},
      {true, 2, u"7", {"sel 0 0", "paste -5"}, "-57", 0},
      {true, 2, u"-57", {"sel 3 3", "paste 1"}, "-57", 1},
      // Pasted decimals are cut to the places; next to a separator the pasted one is dropped.
      {true, 2, u"1", {"sel 1 1", "paste 3.14159"}, "13.14", 0},
      {true, 2, u"1.7", {"sel 3 3", "paste 2.5"}, "1.72", 0, {4, 4}},
      {true, 2, u"1.7", {"sel 1 1", "paste 2.5"}, "12.7", 0, {2, 2}},
      {true, 2, u"1.7", {"sel 0 -1", "paste 8.25"}, "8.25", 0},
  });
}

// A user locale that writes decimals with a comma is read when the library
// loads, so it is tried in a child process of this test program.
class CommaLocaleChild : public NumericEdit {
  void TestBody() override {
    ASSERT_EQ(g_decimalSeparator, u',');
    ASSERT_EQ(g_negativeSign, u'-');
    Check({{true, 2, u"", {"paste 3,5"}, "3,5", 0},
           {true, 2, u"", {"paste 3.5"}, "3", 0},
           // The keypad key is judged by position whatever it produces.
           {true, 2, u"3", {"sel 1 1", "K,", "2", "5", "9"}, "3,25", 1}});
  }
};
const bool g_commaChild = qEnvironmentVariableIsSet("PCVR_COMMA_LOCALE_CHILD") &&
                          ::testing::RegisterTest("NumericEditComma", "Child", nullptr, nullptr, __FILE__, __LINE__,
                                                  []() -> NumericEdit* { return new CommaLocaleChild; });

TEST_F(NumericEdit, ACommaLocaleGivesACommaSeparator) {
  pcvr_test::ProcessOptions options;
  options.environment = {"PCVR_COMMA_LOCALE_CHILD=1", "LC_ALL=de_DE.UTF-8"};
  const auto run = pcvr_test::RunProcess(
      {std::filesystem::read_symlink("/proc/self/exe").string(), "--gtest_filter=NumericEditComma.Child"}, options);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
}

}  // namespace
