#include "recording/RecordingCommands.h"

#include <string>
#include <vector>

#include "base/HostAccess.h"
#include "base/RecordingSummary.h"
#include "dialogs/VideoRecordingParams.h"
#include "recording/RecordingDialog.h"
#include "recording/parallelThreadData.h"
#include "resources/StringTable.h"
#include "win32/Kernel.h"
#include "win32/Threads.h"

namespace {

// A second handle to the newest capture thread, kept by the module so that
// unloading can wait for the thread to leave the module's code, even after
// the thread has closed the handle the commands see.
HANDLE g_lastCaptureThread = nullptr;

}  // namespace

void StartVideoRecording() {
  ResourceHandleScope resources(ResourceModule());
  SetThreadLocale(GetSystemDefaultLCID());

  if (g_captureThread.load() != nullptr) {
    if (g_recorder.m_pause.load()) {
      g_recorder.m_pause = false;
      PrintModuleString(IDS_RECORDING_RESUMED);
    } else {
      PrintModuleString(IDS_RECORDING_IN_PROGRESS);
    }
    return;
  }

  std::vector<CaptureTarget> targets;
  targets.emplace_back(LoadModuleString(IDS_ENTIRE_PROGRAM), HostMainWindow());
  if (HostDocument* document = HostCurrentDocument()) {
    targets.emplace_back(LoadModuleString(IDS_CURRENT_DOCUMENT), document->viewWindow());
  }
  VideoRecordingParams params;
  if (!ChooseRecordingParams(targets, params)) return;

  // A frame rate of 0 (the chosen compressor offers none) or a window that
  // gives no frame cannot be recorded: say so instead of starting a capture
  // that would divide by zero or write empty frames.
  if (params.fps <= 0 || params.frameFormat.biWidth <= 0 || params.frameFormat.biHeight <= 0) {
    PrintModuleString(IDS_RECORDING_ERROR);
    return;
  }
  // The flags are set here, before the thread exists, so that a pause given
  // right after this command holds from the first frame on.
  if (!g_recorder.running()) g_recorder.prepare(params);

  // Created suspended, so that its handle is stored before the thread can
  // end and clear it.
  HANDLE thread = CreateThread(nullptr, 0, &CaptureThreadProc, &g_recorder, CREATE_SUSPENDED, nullptr);
  if (thread == nullptr) {
    PrintModuleString(IDS_RECORDING_ERROR);
    return;
  }
  if (g_lastCaptureThread != nullptr) CloseHandle(g_lastCaptureThread);
  g_lastCaptureThread = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &g_lastCaptureThread, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    // Without its own handle the module could not wait for the thread at
    // unload: the thread runs only to end at once.
    g_lastCaptureThread = nullptr;
    g_recorder.m_stop = true;
    if (ResumeThread(thread) != static_cast<DWORD>(-1)) WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    PrintModuleString(IDS_RECORDING_ERROR);
    return;
  }
  g_captureThread = thread;
  if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
    // A thread that never runs would leave END waiting for ever.
    g_captureThread = nullptr;
    CloseHandle(thread);
    CloseHandle(g_lastCaptureThread);
    g_lastCaptureThread = nullptr;
    PrintModuleString(IDS_RECORDING_ERROR);
  }
}

void PauseVideoRecording() {
  if (g_captureThread.load() == nullptr) return;
  g_recorder.m_pause = true;
  PrintModuleString(IDS_RECORDING_PAUSED);
}

void EndVideoRecording() {
  HANDLE thread = g_captureThread.load();
  if (thread != nullptr) {
    g_recorder.m_stop = true;
    // The thread may close this handle while we wait; the wait still ends
    // when the thread does. The module's own handle covers the case where it
    // was closed before the wait began.
    if (WaitForSingleObject(thread, INFINITE) == WAIT_FAILED && g_lastCaptureThread != nullptr) {
      WaitForSingleObject(g_lastCaptureThread, INFINITE);
    }
  } else if (g_lastCaptureThread != nullptr) {
    // A capture that ended by itself may still be on its way out.
    WaitForSingleObject(g_lastCaptureThread, INFINITE);
  }
  // A failed capture is reported once, also when it broke off by itself
  // before this command: the user would otherwise take the file for whole.
  std::u16string reason;
  if (g_recorder.takePendingFailure(&reason)) {
    LogRecordingFailure(reason);
    PrintModuleString(IDS_RECORDING_ERROR);
    return;
  }
  // Nothing was running (or it ended by itself, as when its window closed).
  if (thread == nullptr) return;
  const VideoRecordingParams& params = g_recorder.params();
  const double megabytes = SummaryMegabytes(QueryFileSize(params.filePath.c_str()));
  // Ended during the start delay, the elapsed time is negative: report 0.
  const std::int32_t elapsed = g_recorder.savedElapsedSeconds();
  const std::uint32_t seconds = elapsed > 0 ? static_cast<std::uint32_t>(elapsed) : 0;
  const std::uint32_t frames = g_recorder.framesWritten();
  // Under one second there is no whole second to divide by: every frame
  // came within it.
  const std::uint32_t realFps = seconds > 0 ? frames / seconds : frames;
  PrintRecordingSummary(params.filePath.c_str(), megabytes, static_cast<int>(frames), SummaryTime(seconds),
                        static_cast<int>(realFps));
}

void StopLiveCaptureAndWait() {
  if (HANDLE thread = g_captureThread.load()) {
    g_recorder.m_stop = true;
    WaitForSingleObject(thread, INFINITE);
  }
  // The thread may have cleared its handle but still be on its way out of
  // the module's code.
  if (g_lastCaptureThread != nullptr) {
    WaitForSingleObject(g_lastCaptureThread, INFINITE);
    CloseHandle(g_lastCaptureThread);
    g_lastCaptureThread = nullptr;
  }
}
