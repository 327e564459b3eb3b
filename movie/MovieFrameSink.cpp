#include "movie/MovieFrameSink.h"

#include "base/HostAccess.h"
#include "base/StringIds.h"
#include "win32/Kernel.h"

MovieFrameSink::~MovieFrameSink() { finish(); }

bool MovieFrameSink::open(const VideoRecordingParams& params, FailureListener onFailure) {
  reset();
  m_writer = std::make_unique<AviMovieWriter>(params.filePath.c_str(), params.codecInfo.fccHandler,
                                              static_cast<DWORD>(params.fps), params.quality);
  // A failed write ends the movie; the frames before it stay in the file.
  // The reason is written on the writer thread before the pipeline says it
  // failed, and read only once the pipeline does.
  AviMovieWriter* writer = m_writer.get();
  const bool started = m_pipeline.start(params.frameFormat, kQueuedFrames, [this, writer, onFailure](HBITMAP frame) {
    if (SUCCEEDED(writer->appendFrame(frame))) return true;
    m_writeFailure = writer->lastErrorText();
    if (onFailure) onFailure(m_writeFailure);
    return false;
  });
  if (!started) {
    m_writer.reset();
    m_failureReason = u"Unable to Create the Frame Bitmaps";
  }
  return started;
}

void MovieFrameSink::finish() {
  m_pipeline.finish();
  m_writer.reset();  // completes the file
}

void MovieFrameSink::reset() {
  m_pipeline.reset();
  m_writer.reset();
  m_writeFailure.clear();
  m_failureReason.clear();
}

void MovieFrameSink::fail(const std::u16string& reason) {
  if (m_failureReason.empty()) m_failureReason = reason;
}

void LogRecordingFailure(const std::u16string& reason) {
  const std::u16string line =
      u"PC_hostVideoRecorder: " + std::u16string(LoadModuleString(IDS_RECORDING_ERROR).c_str()) + u": " + reason;
  OutputDebugStringW(line.c_str());
}
