// The live recorder: one per process. Its capture thread grabs the chosen
// window's screen rectangle at the frame rate; a writer thread of its own
// converts, encodes and writes each grabbed frame, in order, so that a slow
// frame to encode does not delay the next grab. The command thread talks to
// it only through the stop and pause flags and the capture thread handle;
// it reads the results once the thread has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "dialogs/VideoRecordingParams.h"
#include "movie/GdiOwners.h"
#include "movie/MovieFrameSink.h"
#include "recording/iEventListener.h"
#include "win32/WinTypes.h"

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
  // Capture thread: grabs one frame and queues it for the writer.
  void onTick() override;

  // Capture thread: prepares, then runs the clock until capture ends. False
  // (with the error flag set) when capture could not start.
  bool startCapture();
  // Capture thread: waits for the writer to write every grabbed frame,
  // releases the capture resources, completing the file, and keeps the
  // results.
  void stopCapture();
  // Capture thread: seconds since the clock's start while it runs (negative
  // during the start delay), afterwards the value saved at stop.
  std::int32_t elapsedSeconds() const;

  // Command thread, only while no capture thread exists: takes new
  // parameters, clears every capture field and sets the flags as the new
  // recording starts with them (a pause given before the thread runs holds).
  void prepare(const VideoRecordingParams& params);

  // Capture thread: ends capture as failed, with the reason for the log.
  void markFailed(const std::u16string& reason);

  // Capture thread, as it ends: a failed capture stays to be reported by
  // the next end command, also when the thread ended by itself.
  void keepFailureForReport();
  // Command thread, once the capture thread has ended: true, once, for a
  // failed capture not yet reported, with its reason.
  bool takePendingFailure(std::u16string* reason);

  const VideoRecordingParams& params() const { return m_params; }
  bool failed() const { return m_error.load(); }
  bool running() const { return m_running.load(); }
  std::uint32_t framesWritten() const { return m_movie.framesWritten(); }
  std::int32_t savedElapsedSeconds() const { return m_elapsedSeconds.load(); }

 private:
  VideoRecordingParams m_params;
  std::atomic<bool> m_error{false};
  MovieFrameSink m_movie;
  // Owned by the capture thread while a capture runs.
  std::unique_ptr<FrameClock> m_clock;
  // Set exactly while a capture runs; the command thread reads it.
  std::atomic<bool> m_running{false};
  WindowDc m_desktopDC;
  MemoryDc m_memoryDC;
  std::atomic<std::int32_t> m_elapsedSeconds{0};
  // Why the capture failed; written on the capture thread before it ends,
  // read by the command thread after.
  std::u16string m_failureReason;
  std::atomic<bool> m_failurePending{false};
};

// The process's recorder and its capture thread handle (null while no
// capture thread exists; cleared by the thread as its last act).
extern parallelThreadData g_recorder;
extern std::atomic<HANDLE> g_captureThread;

// The capture thread's entry; its argument is the recorder.
DWORD CaptureThreadProc(LPVOID recorder);
