// The live recorder: one per process. Its capture thread grabs the chosen
// window's screen rectangle at the frame rate and hands each frame to the
// AVI writer. The command thread talks to it only through the stop and pause
// flags and the capture thread handle; it reads the results once the thread
// has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "dialogs/VideoRecordingParams.h"
#include "recording/iEventListener.h"
#include "win32/WinTypes.h"

class AviMovieWriter;
class FrameClock;

class parallelThreadData : public iEventListener {
 public:
  parallelThreadData();
  // Stops a running capture and waits for it, as module unload does.
  ~parallelThreadData();
  parallelThreadData(const parallelThreadData&) = delete;
  parallelThreadData& operator=(const parallelThreadData&) = delete;

  // Capture thread: true when the window is gone.
  bool isFinished() override;
  // Capture thread: true while neither the window nor its top-level window
  // is the foreground window.
  bool isSuspended() override;
  // Capture thread: one frame.
  void onTick() override;

  // Capture thread: prepares, then runs the clock until capture ends. False
  // (with the error flag set) when capture could not start.
  bool startCapture();
  // Capture thread: releases the capture resources, completing the file,
  // and keeps the results.
  void stopCapture();
  // Capture thread: seconds since the clock's start while it runs (negative
  // during the start delay), afterwards the value saved at stop.
  std::int32_t elapsedSeconds() const;

  // Command thread, only while no capture thread exists: takes new
  // parameters and clears every capture field.
  void prepare(const VideoRecordingParams& params);

  // Capture thread: ends capture as failed.
  void markFailed();

  const VideoRecordingParams& params() const { return m_params; }
  bool failed() const { return m_error.load(); }
  bool running() const { return m_clock.load() != nullptr; }
  std::uint32_t framesWritten() const { return m_framesWritten.load(); }
  std::int32_t savedElapsedSeconds() const { return m_elapsedSeconds.load(); }

 private:
  VideoRecordingParams m_params;
  std::atomic<bool> m_error{false};
  std::unique_ptr<AviMovieWriter> m_writer;
  HBITMAP m_frameBitmap = nullptr;
  // Non-null exactly while a capture runs; owned.
  std::atomic<FrameClock*> m_clock{nullptr};
  void* m_frameBits = nullptr;
  HWND m_desktopWindow = nullptr;
  HDC m_desktopDC = nullptr;
  HDC m_memoryDC = nullptr;
  std::atomic<std::uint32_t> m_framesWritten{0};
  std::atomic<std::int32_t> m_elapsedSeconds{0};
};

// The process's recorder and its capture thread handle (null while no
// capture thread exists; cleared by the thread as its last act).
extern parallelThreadData g_recorder;
extern std::atomic<HANDLE> g_captureThread;

// The capture thread's entry; its argument is the recorder.
DWORD CaptureThreadProc(LPVOID recorder);
