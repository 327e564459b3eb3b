#include "recording/parallelThreadData.h"

#include <algorithm>
#include <cstdint>

#include "base/InitOrder.h"
#include "recording/FrameClock.h"
#include "win32/Desktop.h"
#include "win32/Gdi.h"
#include "win32/Threads.h"
#include "win32/Window.h"

parallelThreadData g_recorder PCVR_INIT_PRIORITY(PCVR_INIT_RECORDER);
std::atomic<HANDLE> g_captureThread{nullptr};

parallelThreadData::parallelThreadData() = default;

parallelThreadData::~parallelThreadData() {
  if (HANDLE thread = g_captureThread.load()) {
    m_stop = true;
    WaitForSingleObject(thread, INFINITE);
  }
}

bool parallelThreadData::isFinished() { return !IsWindow(m_params.window); }

bool parallelThreadData::isSuspended() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return true;
  return m_params.window != foreground && GetAncestor(m_params.window, GA_ROOT) != foreground;
}

void parallelThreadData::onTick() {
  const BITMAPINFOHEADER& format = m_params.frameFormat;
  RECT rect{};
  if (!GetWindowRect(m_params.window, &rect)) {
    // The window went away between the clock's question and this frame:
    // capture ends as it does for a closed window.
    m_stop = true;
    return;
  }
  // Waits while every bitmap is queued for the writer; none once writing
  // has failed (the writer has set the flags).
  HBITMAP frame = m_movie.acquire();
  if (frame == nullptr) return;
  HGDIOBJ previous = SelectObject(m_memoryDC.get(), frame);
  if (previous == nullptr) {
    m_movie.giveBack(frame);
    markFailed(u"Unable to Select the Frame Bitmap");
    return;
  }
  SetStretchBltMode(m_memoryDC.get(), COLORONCOLOR);
  StretchBlt(m_memoryDC.get(), 0, 0, format.biWidth, format.biHeight, m_desktopDC.get(), rect.left, rect.top,
             rect.right - rect.left, rect.bottom - rect.top, SRCCOPY);
  SelectObject(m_memoryDC.get(), previous);
  // Another window may have come to the front while the screen was read;
  // its picture is not the recording's, so the frame is skipped as a
  // suspended one is.
  if (isSuspended()) {
    m_movie.giveBack(frame);
    return;
  }
  m_movie.push(frame);
}

bool parallelThreadData::startCapture() {
  if (m_clock != nullptr) {
    markFailed(u"A Capture Is Already Running");
    return false;
  }
  if (m_params.fps <= 0) {
    markFailed(u"No Frame Rate to Record At");
    return false;
  }
  m_desktopDC = WindowDc(GetDesktopWindow());
  if (m_desktopDC.window() == nullptr || m_desktopDC.get() == nullptr) {
    stopCapture();
    markFailed(u"Unable to Get the Desktop DC");
    return false;
  }
  m_memoryDC.reset(CreateCompatibleDC(m_desktopDC.get()));
  if (m_memoryDC == nullptr) {
    stopCapture();
    markFailed(u"Unable to Create Compatible DC");
    return false;
  }
  // A failed write ends the recording at once; the frames before it stay in
  // the file.
  if (!m_movie.open(m_params, [this](const std::u16string& reason) { markFailed(reason); })) {
    const std::u16string reason = m_movie.failureReason();
    stopCapture();
    markFailed(reason);
    return false;
  }
  m_elapsedSeconds = 0;
  m_clock = std::make_unique<FrameClock>(this, 1000 / m_params.fps);
  m_running = true;
  // The delay field takes any count of digits: a delay past the clock's
  // 32-bit millisecond range waits as long as that range allows instead of
  // wrapping; a negative one starts at once.
  const std::int64_t delayMs = static_cast<std::int64_t>(m_params.startDelay) * 1000;
  m_clock->begin(false, static_cast<std::int32_t>(std::clamp<std::int64_t>(delayMs, 0, INT32_MAX)));
  m_clock->run();
  return true;
}

std::int32_t parallelThreadData::elapsedSeconds() const {
  if (m_clock != nullptr) return static_cast<std::int32_t>((m_clock->now() - m_clock->startTime()) / 1000);
  return m_elapsedSeconds.load();
}

void parallelThreadData::stopCapture() {
  // Every grabbed frame is written before the file is completed.
  m_movie.finish();
  m_memoryDC.reset();
  m_desktopDC.reset();
  if (m_clock != nullptr) {
    m_elapsedSeconds = elapsedSeconds();
    m_clock.reset();
  }
  m_running = false;
}

void parallelThreadData::markFailed(const std::u16string& reason) {
  if (!m_error.exchange(true)) m_failureReason = reason;
  m_stop = true;
}

void parallelThreadData::keepFailureForReport() {
  if (m_error.load()) m_failurePending = true;
}

bool parallelThreadData::takePendingFailure(std::u16string* reason) {
  if (!m_failurePending.exchange(false)) return false;
  if (reason != nullptr) *reason = m_failureReason;
  return true;
}

void parallelThreadData::prepare(const VideoRecordingParams& params) {
  m_stop = false;
  m_pause = false;
  m_error = false;
  m_failurePending = false;
  m_failureReason.clear();
  m_params = params;
  // The last recording's frame count is not this one's, even before its
  // capture thread opens the movie.
  m_movie.reset();
  m_elapsedSeconds = 0;
}

DWORD CaptureThreadProc(LPVOID argument) {
  auto* recorder = static_cast<parallelThreadData*>(argument);
  if (recorder != nullptr) {
    // Nothing escapes the thread: a failure becomes the recorder's error flag.
    try {
      if (recorder->startCapture()) recorder->stopCapture();
    } catch (...) {
      try {
        recorder->stopCapture();
      } catch (...) {}
      recorder->markFailed(u"Unexpected Exception on the Capture Thread");
    }
    recorder->keepFailureForReport();
  }
  HANDLE self = g_captureThread.exchange(nullptr);
  if (self != nullptr) CloseHandle(self);
  return 0;
}
