// The MFC layer on real widgets: message maps, dialog endings and failures,
// exceptions, the main window and the save-file dialog.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMainWindow>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "Process.h"
#include "QtApp.h"
#include "afxdlgs.h"
#include "afxwin.h"
#include "mfc/DialogTemplate.h"
#include "mfc/ModalDriver.h"
#include "mfc/QtBridge.h"
#include "win32/Text.h"

namespace {

constexpr UINT kTestDialog = 7000;
constexpr int kSorted = 10;
constexpr int kUnsorted = 11;
constexpr int kEdit = 12;
constexpr int kButton = 13;
constexpr UINT kPing = WM_USER + 1;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const DialogItemTemplate kItems[] = {
    {kSorted, u"COMBOBOX", u"", kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP, 5, 5, 80, 60},
    {kUnsorted, u"COMBOBOX", u"", kChild | CBS_DROPDOWNLIST | WS_TABSTOP, 5, 25, 80, 60},
    {kEdit, u"EDIT", u"", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 45, 80, 14},
    {kButton, u"BUTTON", u"&Go", kChild | WS_TABSTOP, 90, 5, 40, 14},
    {IDOK, u"BUTTON", u"OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 90, 25, 40, 14},
    {IDCANCEL, u"BUTTON", u"Cancel", kChild | WS_TABSTOP, 90, 45, 40, 14},
};
const DialogTemplate kTemplates[] = {
    {kTestDialog, WS_POPUP | WS_CAPTION | DS_SETFONT, 140, 70, u"Test", u"MS Shell Dlg", 8, kItems, std::size(kItems)}};
int g_tag = 0;
HMODULE TestModule() { return reinterpret_cast<HMODULE>(&g_tag); }

// Records every key message it is offered.
class KeyRecorder : public CEdit {
 public:
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) keys.push_back(static_cast<int>(msg->wParam));
    return FALSE;
  }
  std::vector<int> keys;
};

class TestDialog : public CDialog {
  DECLARE_DYNAMIC(TestDialog)
 public:
  TestDialog() : CDialog(kTestDialog) {}
  CComboBox m_sorted;
  CComboBox m_unsorted;
  KeyRecorder m_edit;
  int clicks = 0;
  int selections = 0;
  std::function<void()> onClick;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, kSorted, m_sorted);
    DDX_Control(dx, kUnsorted, m_unsorted);
    DDX_Control(dx, kEdit, m_edit);
  }
  afx_msg void OnGo() {
    ++clicks;
    if (onClick) onClick();
  }
  afx_msg void OnSorted() { ++selections; }
  afx_msg LRESULT OnPing(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam * 100 + lParam); }
  DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNAMIC(TestDialog, CDialog)
BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_BN_CLICKED(kButton, OnGo)
ON_CBN_SELCHANGE(kSorted, OnSorted)
ON_MESSAGE(kPing, OnPing)
END_MESSAGE_MAP()

// Runs the dialog on steps; a dialog they leave open is closed.
INT_PTR RunModal(CDialog& dialog, const std::function<void(mfc::ModalDriver&)>& steps) {
  mfc::SetModalHook([&](mfc::ModalDriver& driver) {
    steps(driver);
    if (!driver.ended()) driver.close();
  });
  const INT_PTR result = dialog.DoModal();
  mfc::SetModalHook({});
  return result;
}

class MfcWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    pcvr_test::EnsureApplication();
    RegisterDialogTemplates(TestModule(), kTemplates, std::size(kTemplates));
    m_previous = AfxGetResourceHandle();
    AfxSetResourceHandle(TestModule());
  }
  void TearDown() override {
    mfc::SetModalHook({});
    AfxSetResourceHandle(m_previous);
    UnregisterDialogTemplates(TestModule());
  }
  HINSTANCE m_previous = nullptr;
};

// tests/dialogs drives what the module's dialogs stand on; here, what they do not reach.

TEST_F(MfcWindows, NotificationsAndMessagesReachTheMessageMap) {
  TestDialog dialog;
  EXPECT_STREQ(dialog.GetRuntimeClass()->m_lpszClassName, "TestDialog");
  EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CDialog)));
  EXPECT_FALSE(dialog.IsKindOf(RUNTIME_CLASS(CEdit)));
  const INT_PTR result = RunModal(dialog, [&](mfc::ModalDriver& driver) {
    EXPECT_TRUE(driver.press(kButton));
    EXPECT_TRUE(driver.press(kButton));
    EXPECT_EQ(dialog.clicks, 2);
    // A sorted combo box inserts in order, an unsorted one at the end.
    for (CComboBox* box : {&dialog.m_sorted, &dialog.m_unsorted})
      for (const char16_t* text : {u"two", u"one"}) box->AddString(text);
    CString first, last;
    dialog.m_sorted.GetLBText(0, first);
    dialog.m_unsorted.GetLBText(0, last);
    EXPECT_EQ(first.str() + last.str(), u"onetwo");
    dialog.m_sorted.SetCurSel(0);
    EXPECT_EQ(dialog.selections, 0) << "CB_SETCURSEL notifies nobody";
    EXPECT_TRUE(driver.select(kSorted, u"two"));
    EXPECT_EQ(dialog.selections, 1);
    EXPECT_FALSE(driver.select(kSorted, u"three"));
    EXPECT_EQ(dialog.SendMessage(kPing, 3, 4), 304);
    EXPECT_EQ(dialog.GetDlgItem(kEdit), &dialog.m_edit);
    EXPECT_EQ(dialog.m_edit.GetDlgCtrlID(), kEdit);
    EXPECT_EQ(dialog.m_edit.GetParent(), &dialog);
    // IDOK has no entry: the dialog's own OnOK ends it.
    driver.press(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_edit.m_hWnd, nullptr) << "controls are detached when the dialog is gone";
  EXPECT_EQ(dialog.m_edit.SendMessage(WM_GETTEXTLENGTH), 0);
}

TEST_F(MfcWindows, EnterPressesTheDefaultButtonAndEscapeCancels) {
  TestDialog byEnter, byEscape;
  const auto press = [](TestDialog& dialog, int key, const char* text) {
    return RunModal(dialog, [&](mfc::ModalDriver&) { pcvr_test::PressKey(mfc::WidgetOf(&dialog.m_edit), key, text); });
  };
  EXPECT_EQ(press(byEnter, Qt::Key_Return, "\r"), IDOK);
  EXPECT_EQ(press(byEscape, Qt::Key_Escape, ""), IDCANCEL);
  EXPECT_EQ(byEscape.m_edit.keys, std::vector<int>{VK_ESCAPE});
}

TEST_F(MfcWindows, AnExceptionInAHandlerEndsTheDialogAndReachesTheCaller) {
  TestDialog dialog;
  dialog.onClick = [] { throw std::runtime_error("handler failed"); };
  EXPECT_THROW(RunModal(dialog, [&](mfc::ModalDriver& driver) { driver.press(kButton); }), std::runtime_error);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  EXPECT_EQ(dialog.m_sorted.m_hWnd, nullptr);
  dialog.onClick = nullptr;  // the same object runs again
  EXPECT_EQ(RunModal(dialog, [&](mfc::ModalDriver& driver) { driver.press(IDCANCEL); }), IDCANCEL);
}

int g_destroyed = 0;

class CountedException : public CException {
 public:
  ~CountedException() override { ++g_destroyed; }
};

// The frame loop catches what its writer throws with TRY / CATCH.
TEST(MfcExceptions, CaughtExceptionsAreDeletedOnceWhateverTheBlockDoes) {
  g_destroyed = 0;
  TRY { throw new CountedException(); }
  CATCH(CException, e) { EXPECT_NE(e, nullptr); }
  END_CATCH
  EXPECT_EQ(g_destroyed, 1);
  TRY { throw new CountedException(); }
  CATCH(CException, e) { e->Delete(); }
  END_CATCH
  EXPECT_EQ(g_destroyed, 2);
}

TEST(MfcThread, TheMainWindowIsTheApplicationsMainWindowOnTheGuiThreadOnly) {
  pcvr_test::EnsureApplication();
  EXPECT_EQ(AfxGetThread()->m_pMainWnd, nullptr);
  {
    QMainWindow main;
    main.show();
    CWnd* wnd = AfxGetThread()->m_pMainWnd;
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(wnd->m_hWnd, reinterpret_cast<HWND>(main.winId()));
    EXPECT_EQ(AfxGetMainWnd(), wnd);
    CWnd* other = reinterpret_cast<CWnd*>(1);
    std::thread([&] { other = AfxGetThread()->m_pMainWnd; }).join();
    EXPECT_EQ(other, nullptr);
  }
  EXPECT_EQ(AfxGetThread()->m_pMainWnd, nullptr);
}

// Runs a save dialog on steps; returns DoModal's result and the chosen path.
std::pair<INT_PTR, std::u16string> Save(CFileDialog& dialog, const std::function<void(mfc::ModalDriver&)>& steps) {
  pcvr_test::EnsureApplication();
  const INT_PTR result = RunModal(dialog, steps);
  return {result, dialog.GetPathName().str()};
}

TEST(MfcFileDialog, ASaveDialogWithTheAviFilterAddsTheDefaultExtensionOrCancels) {
  const auto folder = std::filesystem::temp_directory_path() / "mfc_save";
  std::filesystem::create_directories(folder);
  const std::u16string start = (folder / "Untitled.avi").u16string();
  CFileDialog dialog(FALSE, u"*.avi", start.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, u"*.avi|*.avi||");
  const auto [result, path] = Save(dialog, [&](mfc::ModalDriver& driver) {
    QFileDialog* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* candidate = qobject_cast<QFileDialog*>(widget); candidate != nullptr && candidate->isVisible())
        shown = candidate;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(shown->nameFilters(), QStringList{QStringLiteral("*.avi (*.avi)")});
    EXPECT_EQ(shown->defaultSuffix(), QStringLiteral("avi"));
    EXPECT_FALSE(shown->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(shown->directory().absolutePath().toStdString(), folder.string());
    EXPECT_EQ(driver.controls().at(0).text, u"Untitled.avi");
    driver.press(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(path, start);

  // OK without a name does nothing; cancel chooses nothing.
  CFileDialog cancelled(FALSE, u"*.avi", u"/tmp/x.avi", OFN_OVERWRITEPROMPT, u"*.avi|*.avi||");
  const auto none = Save(cancelled, [](mfc::ModalDriver& driver) {
    driver.setText(1148, u"");
    driver.press(IDOK);
    EXPECT_FALSE(driver.ended());
    driver.press(IDCANCEL);
  });
  EXPECT_EQ(none, std::make_pair(INT_PTR{IDCANCEL}, std::u16string()));
}

// A scripted name is the path the script gave, whatever the folder holds: an
// existing file (which the dialog's completion would turn into a bare or
// quoted name), spaces and quotes, and a relative name taken from the current
// folder rather than the dialog's.
TEST(MfcFileDialog, AScriptedNameIsThePathItGave) {
  const pcvr_test::TempDir dir("mfc-save-");
  const auto shown = dir.path() / "shown";
  const auto elsewhere = dir.path() / "cwd";
  std::filesystem::create_directories(shown);
  std::filesystem::create_directories(elsewhere / "sub");
  for (const auto& existing : {shown / "flight.avi", elsewhere / "flight.avi", shown / "a \"b\" c.avi"})
    std::ofstream(existing) << "old";
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere);
  const std::pair<std::u16string, std::filesystem::path> table[] = {
      {(shown / "flight.avi").u16string(), shown / "flight.avi"},
      {(shown / "a \"b\" c.avi").u16string(), shown / "a \"b\" c.avi"},
      {u"sub/take", elsewhere / "sub/take.avi"},
      {u"flight.avi", elsewhere / "flight.avi"},
  };
  for (const auto& [typed, expected] : table) {
    CFileDialog dialog(FALSE, u"*.avi", (shown / "flight.avi").u16string().c_str(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, u"*.avi|*.avi||");
    const auto chosen = Save(dialog, [&typed = typed](mfc::ModalDriver& driver) {
      driver.setText(1148, typed);
      driver.press(IDOK);
    });
    EXPECT_EQ(chosen, std::make_pair(INT_PTR{IDOK}, expected.u16string())) << win32::ToUtf8(typed);
  }
  std::filesystem::current_path(previous);
}

}  // namespace
