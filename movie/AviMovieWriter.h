// Writes one AVI file with a single video stream from equally sized bitmaps.
#pragma once

#include <vfw.h>

#include "base/AviHandles.h"
#include "win32/WinTypes.h"

// One writer per output file, used by one thread at a time. The file is
// created by the first frame, which also fixes the frame size and colour
// depth; destroying the writer completes the file. Frames are 24- or 32-bit
// DIB sections; a bottom-up one hands its rows to the stream as they are
// (no copy), others are read with GetDIBits. Failures return E_FAIL and leave a text in lastErrorText();
// after a failure to create the file or to write a frame every later call
// fails at once and the frames already written stay in the file.
class AviMovieWriter {
 public:
  // codec is a compressor's four-character code (one that names no installed
  // compressor stores the frames uncompressed); quality is 0..10000 or -1
  // for the compressor's default. A file name longer than 259 characters is
  // refused: every appendFrame fails.
  AviMovieWriter(LPCWSTR fileName, DWORD codec, DWORD frameRate, LONG quality);
  ~AviMovieWriter();
  AviMovieWriter(const AviMovieWriter&) = delete;
  AviMovieWriter& operator=(const AviMovieWriter&) = delete;

  // Adds one frame; S_OK or E_FAIL. A bitmap that cannot be read, or whose
  // size or depth differs from the first frame's, is refused without
  // touching the file or the writer's state.
  HRESULT appendFrame(HBITMAP bitmap);
  // Completes the file and frees every handle; the writer is failed after.
  void releaseStreams();
  LPCWSTR lastErrorText() const { return m_lastError; }

  enum State : LONG { Failed = 0, WaitingForFirstFrame = 1, Writing = 2 };
  State state() const { return static_cast<State>(m_state); }

 private:
  bool createStreams();
  HRESULT writeFrame(HBITMAP bitmap);
  void setLastError(const char16_t* text);

  HDC m_aviDC = nullptr;
  HGLOBAL m_frameBuffer = nullptr;
  DWORD m_frameIndex = 0;
  // Released in reverse order: the compressed stream, the stream, then the
  // file (which completes it).
  AviFileHandle m_aviFile;
  AviStreamHandle m_stream;
  AviStreamHandle m_compressedStream;
  AVISTREAMINFOW m_streamInfo{};
  AVICOMPRESSOPTIONS m_compressOptions{};
  DWORD m_frameRate = 0;
  DWORD m_codec = 0;
  LONG m_quality = -1;
  WCHAR m_fileName[MAX_PATH] = {};
  WCHAR m_lastError[MAX_PATH] = {};
  LONG m_state = WaitingForFirstFrame;

  // The first frame's format, which every later frame must have.
  LONG m_width = 0;
  LONG m_height = 0;
  WORD m_bitCount = 0;
  bool m_aviLibraryHeld = false;
};
