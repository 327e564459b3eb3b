#include "movie/FramePipeline.h"

FramePipeline::~FramePipeline() { finish(); }

bool FramePipeline::start(const BITMAPINFOHEADER& format, int depth, Sink sink) {
  finish();
  m_bitmaps.clear();
  m_free.clear();
  m_queued.clear();
  BITMAPINFO info{};
  info.bmiHeader = format;
  for (int i = 0; i < depth; ++i) {
    void* bits = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) {
      m_bitmaps.clear();
      return false;
    }
    m_free.push_back(bitmap.get());
    m_bitmaps.push_back(std::move(bitmap));
  }
  m_closed = false;
  m_failed = false;
  m_written = 0;
  m_sink = std::move(sink);
  m_writer = std::thread([this] { writerLoop(); });
  return true;
}

HBITMAP FramePipeline::acquire() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return !m_free.empty() || m_failed.load() || m_closed; });
  if (m_failed.load() || m_closed) return nullptr;
  HBITMAP frame = m_free.front();
  m_free.pop_front();
  return frame;
}

void FramePipeline::push(HBITMAP frame) {
  std::lock_guard lock(m_mutex);
  m_queued.push_back(frame);
  m_changed.notify_all();
}

void FramePipeline::giveBack(HBITMAP frame) {
  std::lock_guard lock(m_mutex);
  m_free.push_back(frame);
  m_changed.notify_all();
}

void FramePipeline::finish() {
  if (!m_writer.joinable()) return;
  {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
  }
  m_writer.join();
  // The bitmaps go with the recording: frame-sized memory is not held
  // until the next one starts.
  m_free.clear();
  m_queued.clear();
  m_bitmaps.clear();
}

void FramePipeline::reset() {
  finish();
  m_written = 0;
  m_failed = false;
}

void FramePipeline::writerLoop() {
  for (;;) {
    HBITMAP frame = nullptr;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return !m_queued.empty() || m_closed; });
      if (m_queued.empty()) return;
      frame = m_queued.front();
      m_queued.pop_front();
    }
    // Nothing escapes the thread: a throwing sink is a failed write.
    bool written = false;
    try {
      written = m_sink(frame);
    } catch (...) { written = false; }
    std::lock_guard lock(m_mutex);
    m_free.push_back(frame);
    if (written) {
      ++m_written;
    } else {
      m_failed = true;
      m_queued.clear();
    }
    m_changed.notify_all();
    if (!written) return;
  }
}
