#include "recording/parallelThreadData.h"

#include <algorithm>
#include <cstdint>

#include "module/InitOrder.h"
#include "recording/AviMovieWriter.h"
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
  if (m_writer == nullptr) return;
  const BITMAPINFOHEADER& format = m_params.frameFormat;
  RECT rect{};
  if (!GetWindowRect(m_params.window, &rect)) {
    // The window went away between the clock's question and this frame:
    // capture ends as it does for a closed window.
    m_stop = true;
    return;
  }
  HGDIOBJ previous = SelectObject(m_memoryDC, m_frameBitmap);
  if (previous == nullptr) {
    m_stop = true;
    m_error = true;
    return;
  }
  SetStretchBltMode(m_memoryDC, COLORONCOLOR);
  StretchBlt(m_memoryDC, 0, 0, format.biWidth, format.biHeight, m_desktopDC, rect.left, rect.top,
             rect.right - rect.left, rect.bottom - rect.top, SRCCOPY);
  SelectObject(m_memoryDC, previous);
  if (SUCCEEDED(m_writer->appendFrame(m_frameBitmap))) {
    ++m_framesWritten;
  } else {
    m_stop = true;
    m_error = true;
  }
}

bool parallelThreadData::startCapture() {
  m_stop = false;
  m_pause = false;
  m_error = false;
  if (m_clock.load() != nullptr) {
    m_error = true;
    return false;
  }
  BITMAPINFO info{};
  info.bmiHeader = m_params.frameFormat;
  m_frameBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &m_frameBits, nullptr, 0);
  if (m_frameBitmap == nullptr || m_params.fps <= 0) {
    // No frame format, or no frame rate to pace by.
    stopCapture();
    m_error = true;
    return false;
  }
  m_desktopWindow = GetDesktopWindow();
  m_desktopDC = GetDC(m_desktopWindow);
  m_memoryDC = m_desktopDC != nullptr ? CreateCompatibleDC(m_desktopDC) : nullptr;
  m_writer = std::make_unique<AviMovieWriter>(m_params.filePath.c_str(), m_params.codecInfo.fccHandler,
                                              static_cast<DWORD>(m_params.fps), m_params.quality);
  m_clock = new FrameClock(this, 1000 / m_params.fps);
  if (m_desktopWindow == nullptr || m_desktopDC == nullptr || m_memoryDC == nullptr) {
    stopCapture();
    m_error = true;
    return false;
  }
  m_framesWritten = 0;
  m_elapsedSeconds = 0;
  FrameClock* clock = m_clock.load();
  // The delay field takes any count of digits: a delay past the clock's
  // 32-bit millisecond range waits as long as that range allows instead of
  // wrapping into a negative (at once) delay.
  const std::int64_t delayMs = static_cast<std::int64_t>(m_params.startDelay) * 1000;
  clock->begin(false, static_cast<std::int32_t>(std::clamp<std::int64_t>(delayMs, INT32_MIN, INT32_MAX)));
  clock->run();
  return true;
}

std::int32_t parallelThreadData::elapsedSeconds() const {
  if (const FrameClock* clock = m_clock.load()) {
    return static_cast<std::int32_t>((clock->now() - clock->startTime()) / 1000);
  }
  return m_elapsedSeconds.load();
}

void parallelThreadData::stopCapture() {
  if (m_memoryDC != nullptr) DeleteDC(m_memoryDC);
  m_memoryDC = nullptr;
  if (m_desktopDC != nullptr) ReleaseDC(m_desktopWindow, m_desktopDC);
  m_desktopDC = nullptr;
  m_desktopWindow = nullptr;
  m_stop = false;
  m_pause = false;
  if (FrameClock* clock = m_clock.load()) {
    m_elapsedSeconds = elapsedSeconds();
    m_clock = nullptr;
    delete clock;
  }
  m_writer.reset();  // completes the file
  if (m_frameBitmap != nullptr) DeleteObject(m_frameBitmap);
  m_frameBitmap = nullptr;
  m_frameBits = nullptr;
}

void parallelThreadData::markFailed() {
  m_stop = true;
  m_error = true;
}

void parallelThreadData::prepare(const VideoRecordingParams& params) {
  m_stop = false;
  m_params = params;
  m_writer.reset();
  m_frameBitmap = nullptr;
  m_frameBits = nullptr;
  m_desktopWindow = nullptr;
  m_desktopDC = nullptr;
  m_memoryDC = nullptr;
  m_framesWritten = 0;
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
      } catch (...) {
      }
      recorder->markFailed();
    }
  }
  HANDLE self = g_captureThread.exchange(nullptr);
  if (self != nullptr) CloseHandle(self);
  return 0;
}
