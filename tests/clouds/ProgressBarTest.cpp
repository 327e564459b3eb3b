// The progress bar in the host window: its steps, the Cancel button and the
// scripted cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "host/HostWindow.h"
#include "host/ProgressBar.h"

namespace {

int g_argc = 1;
char g_name[] = "cloud_progress_test";
char* g_argv[] = {g_name, nullptr};

class ProgressBarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { s_app = new QApplication(g_argc, g_argv); }
  static void TearDownTestSuite() {
    delete s_app;
    s_app = nullptr;
  }
  void SetUp() override {
    window = std::make_unique<host::HostWindow>();
    window->show();
    QApplication::processEvents();
  }
  QPushButton* cancelButton() { return window->findChild<QPushButton*>(QStringLiteral("progressCancel")); }
  QProgressBar* bar() { return window->findChild<QProgressBar*>(QStringLiteral("progressBar")); }

  static QApplication* s_app;
  std::unique_ptr<host::HostWindow> window;
};
QApplication* ProgressBarTest::s_app = nullptr;

TEST_F(ProgressBarTest, ShownInTheHostWindowAndFilledByItsSteps) {
  ProgressBar progress;
  progress.StartStepIteration(u"Rendering", 100, 400, kProgressPercent);
  ASSERT_NE(bar(), nullptr);
  EXPECT_TRUE(progress.isShown());
  EXPECT_TRUE(bar()->isVisible());
  EXPECT_EQ(bar()->maximum(), 100);
  for (int i = 0; i < 100; ++i) progress.StepIt(1);
  EXPECT_EQ(progress.position(), 25u);
  EXPECT_EQ(bar()->value(), 25);
  progress.StepIt(1000);  // not past the end
  EXPECT_EQ(progress.position(), 100u);
  EXPECT_FALSE(progress.IsBreak());
  progress.Close();
  EXPECT_FALSE(progress.isShown());
  progress.StepIt(1);  // after Close: nothing
  EXPECT_EQ(progress.stepsDone(), 400u);
}

TEST_F(ProgressBarTest, TheCancelButtonMakesIsBreakTrue) {
  ProgressBar progress;
  progress.StartStepIteration(u"", 100, 50, kProgressPercent);
  progress.StepIt(1);
  EXPECT_FALSE(progress.IsBreak());
  ASSERT_NE(cancelButton(), nullptr);
  cancelButton()->click();
  EXPECT_TRUE(progress.IsBreak());
  EXPECT_TRUE(progress.IsBreak());  // it stays
  progress.Close();
}

TEST_F(ProgressBarTest, AScriptedCancelTakesTheNextBarAtTheAskedCheck) {
  ProgressBar::CancelAfterChecks(3);
  ProgressBar progress;
  progress.StartStepIteration(u"", 100, 10, kProgressSteps);
  EXPECT_FALSE(progress.IsBreak());
  EXPECT_FALSE(progress.IsBreak());
  EXPECT_TRUE(progress.IsBreak());
  progress.Close();
  // Used up by that bar: the next one runs to its end.
  ProgressBar next;
  next.StartStepIteration(u"", 100, 10, kProgressSteps);
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(next.IsBreak());
}

TEST(ProgressBarWithoutWindow, CountsAndCancelsAllTheSame) {
  ProgressBar::CancelAfterChecks(1);
  ProgressBar progress;
  progress.StartStepIteration(nullptr, 10, 0, kProgressPercent);  // 0 steps taken as 1
  EXPECT_FALSE(progress.isShown());
  progress.StepIt(1);
  EXPECT_EQ(progress.position(), 10u);
  EXPECT_TRUE(progress.IsBreak());
}

}  // namespace
