// The numeric edit control on a real line edit: keystrokes as the keyboard
// delivers them and pastes from the real clipboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>

#include "DialogTestSupport.h"
#include "dialogs/NumericEdit.h"
#include "mfc/DialogTemplate.h"
#include "mfc/QtBridge.h"
#include "win32/UserInput.h"

using dialogs_test::PressKey;
using dialogs_test::PressKeypad;

namespace {

constexpr UINT kNumericDialog = 9100;
constexpr int kField = 100;

const DialogItemTemplate kItems[] = {
    {kField, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 7, 100, 14},
    {IDOK, u"BUTTON", u"&OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 7, 28, 50, 14},
    {IDCANCEL, u"BUTTON", u"&Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 60, 28, 50, 14},
};
const DialogTemplate kTemplates[] = {{kNumericDialog, WS_POPUP | WS_CAPTION | DS_SETFONT, 120, 50, u"Numeric",
                                      u"MS Shell Dlg", 8, kItems, std::size(kItems)}};
int g_moduleTag = 0;
HMODULE TestModule() { return reinterpret_cast<HMODULE>(&g_moduleTag); }

class NumericDialog : public CDialog {
 public:
  NumericDialog(bool allowNegative, unsigned short places, std::u16string text)
      : CDialog(kNumericDialog), m_allow(allowNegative), m_places(places), m_initial(std::move(text)) {}
  CNumericEdit m_edit;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kField, m_edit); }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_edit.m_allowNegative = m_allow;
    m_edit.m_decimalPlaces = m_places;
    m_edit.SetWindowText(m_initial.c_str());
    return TRUE;
  }

 private:
  bool m_allow;
  unsigned short m_places;
  std::u16string m_initial;
};

// The field as a test types into it.
struct Field {
  QLineEdit* edit;
  CNumericEdit& control;

  QString text() const { return edit->text(); }
  void caret(int position) { control.SetSel(position, position); }
  void selectAll() { control.SetSel(0, -1); }
  std::pair<int, int> selection() const {
    int start = 0;
    int end = 0;
    control.GetSel(start, end);
    return {start, end};
  }
  void digit(char d) { PressKey(edit, Qt::Key_0 + (d - '0'), QString(QChar(d))); }
  void keypadDigit(char d) { PressKeypad(edit, Qt::Key_0 + (d - '0'), QString(QChar(d))); }
  void keypadDecimal(const QString& produced = QStringLiteral(".")) { PressKeypad(edit, Qt::Key_Period, produced); }
  void keypadMinus() { PressKeypad(edit, Qt::Key_Minus, QStringLiteral("-")); }
  void ctrl(int key) { PressKey(edit, key, QString(), Qt::ControlModifier); }
  void paste(const QString& clipboard) {
    QGuiApplication::clipboard()->setText(clipboard);
    ctrl(Qt::Key_V);
  }
};

class NumericEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs_test::EnsureApplication();
    RegisterDialogTemplates(TestModule(), kTemplates, std::size(kTemplates));
    m_previous = AfxGetResourceHandle();
    AfxSetResourceHandle(TestModule());
  }
  void TearDown() override {
    AfxSetResourceHandle(m_previous);
    UnregisterDialogTemplates(TestModule());
  }

  // Runs body on a field configured as given, holding text.
  void withField(bool allowNegative, unsigned short places, const std::u16string& text,
                 const std::function<void(Field&)>& body) {
    NumericDialog dialog(allowNegative, places, text);
    const INT_PTR result = dialogs_test::RunModal(dialog, [&](mfc::ModalDriver& driver) {
      auto* edit = qobject_cast<QLineEdit*>(mfc::WidgetOf(&dialog.m_edit));
      ASSERT_NE(edit, nullptr);
      Field field{edit, dialog.m_edit};
      body(field);
      driver.press(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
  }

  unsigned beeps() const { return win32::BeepCount(); }

 private:
  HINSTANCE m_previous = nullptr;
};

TEST_F(NumericEdit, StartDelayFieldTakesOnlyDigitsOnceItHoldsText) {
  withField(false, 0, u"3", [&](Field& field) {
    field.caret(1);
    unsigned before = beeps();
    field.digit('5');
    field.keypadDigit('7');
    EXPECT_EQ(field.text(), "357");
    EXPECT_EQ(beeps(), before);

    field.keypadDecimal();
    EXPECT_EQ(beeps(), before + 1);
    field.keypadMinus();
    EXPECT_EQ(beeps(), before + 2);
    PressKey(field.edit, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(beeps(), before + 3);
    EXPECT_EQ(field.text(), "357");

    // Letters, main-row punctuation and the other keypad operators: nothing, silently.
    before = beeps();
    PressKey(field.edit, Qt::Key_A, QStringLiteral("a"));
    PressKey(field.edit, Qt::Key_Minus, QStringLiteral("-"));
    PressKey(field.edit, Qt::Key_Period, QStringLiteral("."));
    PressKey(field.edit, Qt::Key_Comma, QStringLiteral(","));
    PressKeypad(field.edit, Qt::Key_Plus, QStringLiteral("+"));
    PressKeypad(field.edit, Qt::Key_Asterisk, QStringLiteral("*"));
    PressKey(field.edit, Qt::Key_Eacute, QStringLiteral("\u00e9"));
    EXPECT_EQ(field.text(), "357");
    EXPECT_EQ(beeps(), before);

    // Shift with a main-row digit types the row's symbol: nothing.
    PressKey(field.edit, Qt::Key_Exclam, QStringLiteral("!"), Qt::ShiftModifier);
    PressKey(field.edit, Qt::Key_ParenLeft, QStringLiteral("("), Qt::ShiftModifier);
    EXPECT_EQ(field.text(), "357");
    EXPECT_EQ(beeps(), before);

    // Editing keys work as usual.
    PressKey(field.edit, Qt::Key_Backspace, QString());
    EXPECT_EQ(field.text(), "35");
    PressKey(field.edit, Qt::Key_Home, QString());
    PressKey(field.edit, Qt::Key_Delete, QString());
    EXPECT_EQ(field.text(), "5");
    PressKey(field.edit, Qt::Key_End, QString());
    EXPECT_EQ(field.selection(), std::make_pair(1, 1));
    EXPECT_EQ(beeps(), before);
  });
}

TEST_F(NumericEdit, AnEmptyFieldTakesTheKeypadDecimalEvenForWholeNumbers) {
  withField(false, 0, u"", [&](Field& field) {
    const unsigned before = beeps();
    field.keypadDecimal();
    EXPECT_EQ(field.text(), ".");
    EXPECT_EQ(beeps(), before);
    field.keypadDecimal();
    EXPECT_EQ(field.text(), ".");
    EXPECT_EQ(beeps(), before + 1);
  });
}

TEST_F(NumericEdit, DecimalPlacesLimitDigitsAfterTheSeparatorOnly) {
  withField(true, 2, u"1.25", [&](Field& field) {
    field.caret(4);
    unsigned before = beeps();
    field.digit('3');
    EXPECT_EQ(field.text(), "1.25");
    EXPECT_EQ(beeps(), before + 1);
    field.caret(1);
    field.digit('3');
    EXPECT_EQ(field.text(), "13.25");
    // No second separator: not after it, not right before it, not over a
    // selection that leaves it in place.
    before = beeps();
    field.caret(4);
    field.keypadDecimal();
    field.caret(2);
    field.keypadDecimal();
    field.control.SetSel(3, 5);
    field.keypadDecimal();
    EXPECT_EQ(beeps(), before + 3);
    EXPECT_EQ(field.text(), "13.25");
    // A selection over the separator is replaced by the new one.
    field.control.SetSel(1, 4);
    field.keypadDecimal();
    EXPECT_EQ(field.text(), "1.5");
  });
}

TEST_F(NumericEdit, NothingIsTypedInFrontOfTheSignUnlessItIsSelected) {
  withField(true, 6, u"-5", [&](Field& field) {
    field.caret(0);
    const unsigned before = beeps();
    field.digit('1');
    EXPECT_EQ(field.text(), "-5");
    EXPECT_EQ(beeps(), before + 1);
    field.selectAll();
    field.digit('1');
    EXPECT_EQ(field.text(), "1");
  });
}

TEST_F(NumericEdit, TheKeypadMinusGoesOnlyToTheFront) {
  withField(true, 6, u"", [&](Field& field) {
    field.keypadMinus();
    EXPECT_EQ(field.text(), "-");
  });
  withField(true, 6, u"5", [&](Field& field) {
    field.caret(1);
    const unsigned before = beeps();
    field.keypadMinus();
    EXPECT_EQ(beeps(), before + 1);
    field.caret(0);
    field.keypadMinus();
    EXPECT_EQ(field.text(), "-5");
    field.caret(0);
    field.keypadMinus();
    EXPECT_EQ(beeps(), before + 2);
    EXPECT_EQ(field.text(), "-5");
    field.selectAll();
    field.keypadMinus();
    EXPECT_EQ(field.text(), "-");
  });
  withField(false, 6, u"", [&](Field& field) {
    const unsigned before = beeps();
    field.keypadMinus();
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(beeps(), before + 1);
  });
}

TEST_F(NumericEdit, CtrlCVXReachTheControlAndCtrlADoesNothing) {
  withField(false, 0, u"12", [&](Field& field) {
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    field.selectAll();
    field.ctrl(Qt::Key_C);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "12");
    field.ctrl(Qt::Key_X);
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "12");
    field.ctrl(Qt::Key_V);
    EXPECT_EQ(field.text(), "12");
    field.caret(1);
    const unsigned before = beeps();
    field.ctrl(Qt::Key_A);
    EXPECT_EQ(field.selection(), std::make_pair(1, 1));
    field.ctrl(Qt::Key_Z);
    EXPECT_EQ(field.text(), "12");
    EXPECT_EQ(beeps(), before);
  });
}

TEST_F(NumericEdit, PasteTakesTheLeadingNumberOnly) {
  withField(false, 0, u"", [&](Field& field) {
    field.paste(QStringLiteral("  42abc"));
    EXPECT_EQ(field.text(), "42");
    EXPECT_EQ(field.selection(), std::make_pair(2, 2));
    const unsigned before = beeps();
    field.paste(QStringLiteral("abc"));
    EXPECT_EQ(field.text(), "42");
    EXPECT_EQ(beeps(), before + 1);
    field.selectAll();
    field.paste(QStringLiteral("\t 7\n8"));
    EXPECT_EQ(field.text(), "7");
    // Whole numbers only: the separator ends the number.
    field.selectAll();
    field.paste(QStringLiteral("12.5"));
    EXPECT_EQ(field.text(), "12");
    // Shift+Insert pastes through the same filter.
    field.selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("9x"));
    PressKey(field.edit, Qt::Key_Insert, QString(), Qt::ShiftModifier);
    EXPECT_EQ(field.text(), "9");
  });
}

TEST_F(NumericEdit, PastedSignsAreRefusedWhereNoSignMayGo) {
  withField(false, 0, u"", [&](Field& field) {
    const unsigned before = beeps();
    field.paste(QStringLiteral("-5"));
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(beeps(), before + 1);
  });
  withField(true, 2, u"7", [&](Field& field) {
    field.caret(1);
    const unsigned before = beeps();
    field.paste(QStringLiteral("-5"));
    EXPECT_EQ(field.text(), "7");
    EXPECT_EQ(beeps(), before + 1);
    field.caret(0);
    field.paste(QStringLiteral("-5"));
    EXPECT_EQ(field.text(), "-57");
    field.caret(3);
    field.paste(QStringLiteral("1"));
    EXPECT_EQ(beeps(), before + 2);
    EXPECT_EQ(field.text(), "-57");
  });
}

TEST_F(NumericEdit, PastedDecimalsAreCutAtTheSeparatorAndToTheDecimalPlaces) {
  withField(true, 2, u"1", [&](Field& field) {
    field.caret(1);
    field.paste(QStringLiteral("3.14159"));
    EXPECT_EQ(field.text(), "13.14");
  });
  withField(true, 2, u"1.7", [&](Field& field) {
    field.caret(3);
    field.paste(QStringLiteral("2.5"));
    EXPECT_EQ(field.text(), "1.72");
    EXPECT_EQ(field.selection(), std::make_pair(4, 4));
  });
  // Right before the separator there is, the pasted one is dropped too, so
  // the field never holds two.
  withField(true, 2, u"1.7", [&](Field& field) {
    field.caret(1);
    field.paste(QStringLiteral("2.5"));
    EXPECT_EQ(field.text(), "12.7");
    EXPECT_EQ(field.selection(), std::make_pair(2, 2));
  });
  // A selection over the separator takes the pasted one.
  withField(true, 2, u"1.7", [&](Field& field) {
    field.selectAll();
    field.paste(QStringLiteral("8.25"));
    EXPECT_EQ(field.text(), "8.25");
  });
}

// Runs in a child process whose user locale writes decimals with a comma.
TEST_F(NumericEdit, CommaLocaleChild) {
  if (qEnvironmentVariableIsEmpty("PCVR_COMMA_LOCALE_CHILD")) GTEST_SKIP() << "run by CommaDecimalLocale";
  ASSERT_EQ(g_decimalSeparator, u',');
  ASSERT_EQ(g_negativeSign, u'-');
  withField(true, 2, u"", [&](Field& field) {
    field.paste(QStringLiteral("3,5"));
    EXPECT_EQ(field.text(), "3,5");
    field.selectAll();
    field.paste(QStringLiteral("3.5"));
    EXPECT_EQ(field.text(), "3");
    // The keypad key is judged by position whatever it produces.
    field.caret(1);
    field.keypadDecimal(QStringLiteral(","));
    EXPECT_EQ(field.text(), "3,");
    field.digit('2');
    field.digit('5');
    const unsigned before = beeps();
    field.digit('9');
    EXPECT_EQ(field.text(), "3,25");
    EXPECT_EQ(beeps(), before + 1);
  });
}

TEST_F(NumericEdit, CommaDecimalLocale) {
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("PCVR_COMMA_LOCALE_CHILD"), QStringLiteral("1"));
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=NumericEdit.CommaLocaleChild")});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST_F(NumericEdit, TheDefaultLocaleGivesAFullStopAndAHyphen) {
  if (!qEnvironmentVariableIsEmpty("PCVR_COMMA_LOCALE_CHILD")) GTEST_SKIP();
  const QString lang = qEnvironmentVariable("LC_ALL", qEnvironmentVariable("LC_NUMERIC", qEnvironmentVariable("LANG")));
  if (!lang.isEmpty() && !lang.startsWith(QLatin1String("C")) && !lang.startsWith(QLatin1String("en")) &&
      lang != QLatin1String("POSIX")) {
    GTEST_SKIP() << "user locale " << lang.toStdString();
  }
  EXPECT_EQ(g_decimalSeparator, u'.');
  EXPECT_EQ(g_negativeSign, u'-');
  const CNumericEdit fresh;
  EXPECT_TRUE(fresh.m_allowNegative);
  EXPECT_EQ(fresh.m_decimalPlaces, 6);
}

}  // namespace
