// Exceptions, the thread's main window and the save-file dialog.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMainWindow>
#include <filesystem>
#include <fstream>
#include <thread>

#include "MfcTestSupport.h"
#include "afxdlgs.h"
#include "mfc/ModalDriver.h"

namespace {

int g_destroyed = 0;

class CountedException : public CException {
 public:
  ~CountedException() override { ++g_destroyed; }
};

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

  CException* passedOn = nullptr;
  try {
    TRY { throw new CountedException(); }
    CATCH(CException, e) { THROW_LAST(); }
    END_CATCH
  } catch (CException* e) {
    passedOn = e;
  }
  ASSERT_NE(passedOn, nullptr);
  EXPECT_EQ(g_destroyed, 2) << "an exception thrown on stays alive";
  passedOn->Delete();
  EXPECT_EQ(g_destroyed, 3);

  bool memory = false;
  TRY { AfxThrowMemoryException(); }
  CATCH(CMemoryException, e) {
    WCHAR text[64] = {};
    EXPECT_TRUE(e->GetErrorMessage(text, 64));
    EXPECT_EQ(std::u16string(text), u"Out of memory.");
    memory = true;
  }
  AND_CATCH_ALL(e) { ADD_FAILURE() << "caught by the wrong block"; }
  END_CATCH_ALL
  EXPECT_TRUE(memory);
}

TEST(MfcThread, TheMainWindowIsTheApplicationsMainWindowOnTheGuiThreadOnly) {
  EnsureApplication();
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

TEST(MfcModuleState, TheResourceHandleIsTheExecutablesUntilSet) {
  const HINSTANCE initial = AfxGetResourceHandle();
  EXPECT_NE(initial, nullptr);
  EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle, initial);
  const HINSTANCE other = reinterpret_cast<HINSTANCE>(0x1000);
  AfxSetResourceHandle(other);
  EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle, other);
  AfxGetModuleState()->m_hCurrentResourceHandle = initial;
  EXPECT_EQ(AfxGetResourceHandle(), initial);
}

// Runs a save dialog on steps; returns DoModal's result and the chosen path.
std::pair<INT_PTR, std::u16string> Save(CFileDialog& dialog, const std::function<void(mfc::ModalDriver&)>& steps) {
  EnsureApplication();
  mfc::SetModalHook([&](mfc::ModalDriver& driver) {
    steps(driver);
    if (!driver.ended()) driver.close();
  });
  const INT_PTR result = dialog.DoModal();
  mfc::SetModalHook({});
  return {result, dialog.GetPathName().str()};
}

TEST(MfcFileDialog, ASaveDialogWithTheAviFilterAddsTheDefaultExtension) {
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

  CFileDialog kept(FALSE, u"*.avi", start.c_str(), OFN_OVERWRITEPROMPT, u"*.avi|*.avi||");
  const auto keptResult = Save(kept, [&](mfc::ModalDriver& driver) {
    driver.setText(1148, u"sub\\clip.mkv");
    driver.press(IDOK);
  });
  EXPECT_EQ(keptResult.first, IDOK);
  EXPECT_EQ(keptResult.second, (folder / "sub" / "clip.mkv").u16string());
  std::filesystem::remove_all(folder);
}

TEST(MfcFileDialog, CancelAndAnEmptyNameChooseNothing) {
  CFileDialog dialog(FALSE, u"*.avi", u"/tmp/x.avi", OFN_OVERWRITEPROMPT, u"*.avi|*.avi||");
  const auto [result, path] = Save(dialog, [](mfc::ModalDriver& driver) {
    driver.setText(1148, u"");
    driver.press(IDOK);
    EXPECT_FALSE(driver.ended()) << "OK without a name does nothing";
    driver.press(IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(path.empty());
  CFileDialog open(TRUE);
  EXPECT_EQ(open.DoModal(), IDCANCEL) << "only save dialogs are offered";
}

}  // namespace
