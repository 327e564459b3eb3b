// Frames on their way from the capture thread to a writer thread: a few DIB
// sections of the frame size, reused round and round, so that a slow frame
// to encode does not hold up the next grab. Nothing is dropped: when every
// bitmap is waiting to be written, the grab waits for one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "movie/GdiOwners.h"

class FramePipeline {
 public:
  // Writes one frame on the writer thread; false when it failed, which ends
  // the writing: no later frame reaches it.
  using Sink = std::function<bool(HBITMAP frame)>;

  FramePipeline() = default;
  // Finishes (see finish) when still running.
  ~FramePipeline();
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  // Makes `depth` bitmaps of `format` and starts the writer thread; false
  // (nothing started) when a bitmap cannot be made.
  bool start(const BITMAPINFOHEADER& format, int depth, Sink sink);
  // Producer: a bitmap to grab into, waiting while every one is queued; null
  // once writing has failed or the pipeline is finished.
  HBITMAP acquire();
  // Producer: queues the grabbed bitmap for writing, in order.
  void push(HBITMAP frame);
  // Producer: gives back a bitmap that holds no frame.
  void giveBack(HBITMAP frame);
  // Producer: waits until every queued frame is written (or writing failed)
  // and the writer thread has ended, then frees the bitmaps.
  void finish();
  // Finishes, and forgets the last run's count and failure.
  void reset();

  bool failed() const { return m_failed.load(); }
  std::uint32_t written() const { return m_written.load(); }

 private:
  void writerLoop();

  std::vector<OwnedBitmap> m_bitmaps;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<HBITMAP> m_free;
  std::deque<HBITMAP> m_queued;
  bool m_closed = false;
  std::atomic<bool> m_failed{false};
  std::atomic<std::uint32_t> m_written{0};
  Sink m_sink;
  std::thread m_writer;
};
