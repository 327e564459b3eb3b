// Exceptions, the thread's main window and the save-file dialog as the module uses them.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMainWindow>
#include <filesystem>
#include <thread>

#include "QtApp.h"
#include "afxdlgs.h"
#include "mfc/ModalDriver.h"

namespace {

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
  mfc::SetModalHook([&](mfc::ModalDriver& driver) {
    steps(driver);
    if (!driver.ended()) driver.close();
  });
  const INT_PTR result = dialog.DoModal();
  mfc::SetModalHook({});
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
      if (auto* candidate = qobject_cast<QFileDialog*>(widget); candidate != nullptr && candidate->isVisible()) shown = candidate;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(shown->nameFilters(), QStringList{QStringLiteral("*.avi (*.avi)")});
    EXPECT_EQ(shown->defaultSuffix(), QStringLiteral("avi"));
    EXPECT_FALSE(shown->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(shown->directory().absolutePath().toStdString(), folder.string());
    EXPECT_EQ(driver.controls().at(0).text, u"Untitled.avi");
    driver.setText(1148, u"movie");
    driver.press(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(path, (folder / "movie.avi").u16string());
  std::filesystem::remove_all(folder);

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

}  // namespace
