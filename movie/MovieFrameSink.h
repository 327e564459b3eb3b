// One movie fed with frames, as both recording commands feed theirs: the AVI
// writer, and the frame pipeline whose writer thread converts, encodes and
// writes each frame in order while the producer grabs or renders the next.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/VideoRecordingParams.h"
#include "movie/AviMovieWriter.h"
#include "movie/FramePipeline.h"

class MovieFrameSink {
 public:
  // Frames between the producer and the writer: one being made while one is
  // encoded rides out a slow frame; a third bought little and cost 8 MB at
  // 1080p.
  static constexpr int kQueuedFrames = 2;
  // Called on the writer thread, once, when a frame cannot be written.
  using FailureListener = std::function<void(const std::u16string& reason)>;

  MovieFrameSink() = default;
  // Completes the movie (see finish) when still open.
  ~MovieFrameSink();
  MovieFrameSink(const MovieFrameSink&) = delete;
  MovieFrameSink& operator=(const MovieFrameSink&) = delete;

  // Starts a movie of params' file, compressor, rate and quality from frames
  // of params' frame format; the file is made by the first frame. False, with
  // the reason kept, when the frame bitmaps cannot be made.
  bool open(const VideoRecordingParams& params, FailureListener onFailure = {});

  // The producer's side of the pipeline (see FramePipeline).
  HBITMAP acquire() { return m_pipeline.acquire(); }
  void push(HBITMAP frame) { m_pipeline.push(frame); }
  void giveBack(HBITMAP frame) { m_pipeline.giveBack(frame); }

  // Producer: writes every queued frame, frees the bitmaps and completes the
  // file. The count and the failure stay readable.
  void finish();
  // Finishes, and forgets the last movie's count and failure: a recording
  // that never opens its movie has written nothing.
  void reset();
  // Ends the movie as failed, with the reason, unless it has one already.
  void fail(const std::u16string& reason);

  bool failed() const { return m_pipeline.failed() || !m_failureReason.empty(); }
  // The frames in the file.
  std::uint32_t framesWritten() const { return m_pipeline.written(); }
  // Why the movie failed, for the log: the writer's reason when a frame
  // could not be written, else the producer's.
  const std::u16string& failureReason() const { return m_pipeline.failed() ? m_writeFailure : m_failureReason; }

 private:
  std::unique_ptr<AviMovieWriter> m_writer;
  FramePipeline m_pipeline;
  std::u16string m_writeFailure;   // the writer thread's, before the pipeline fails
  std::u16string m_failureReason;  // the producer's
};

// Puts why a recording failed on the log, the same way for both commands.
void LogRecordingFailure(const std::u16string& reason);
