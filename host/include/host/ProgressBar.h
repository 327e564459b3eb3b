// The host's progress bar: a bar with a text and a Cancel button in the
// status bar of the host window, for long work on the main thread. Without a
// host window (no Qt application) it counts and answers IsBreak all the same.
// Main thread only.
#pragma once

#include <memory>

#include "host/HostApi.h"

enum enumProgressType {
  kProgressPercent = 0,  // the bar shows a percentage
  kProgressSteps = 1,    // the bar shows the steps done of the steps announced
};

class HOST_EXPORT ProgressBar {
 public:
  ProgressBar();
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Shows the bar with text: it fills up to range (its full value) in steps
  // StepIt calls of one step each. steps 0 is taken as 1. Starting again
  // restarts the count; a cancel request stays.
  void StartStepIteration(const OdChar* text, unsigned range, unsigned steps, enumProgressType type);
  // Advances by steps (not past the end) and repaints the bar.
  void StepIt(unsigned steps);
  // True once the user asked to stop: the Cancel button was pressed, or a
  // script asked for it (CancelProgressAfter). Stays true.
  bool IsBreak();
  // Hides the bar; further calls do nothing until the next start.
  void Close();

  // The bar's value now, 0..range, and whether it is on screen.
  unsigned position() const;
  bool isShown() const;
  unsigned stepsDone() const;

  // What a script does in place of pressing Cancel: the next progress bar
  // started answers IsBreak true from its checks-th call to IsBreak on.
  // 0 withdraws the request.
  static void CancelAfterChecks(unsigned checks);
  // What the host does when it is asked to end: every progress bar, those
  // running and those still to come, answers IsBreak true from now on.
  static void BreakAll();

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};
