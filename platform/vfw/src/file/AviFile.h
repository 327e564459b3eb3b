// An AVI file being written (PAVIFILE): libavformat's AVI muxer over our own
// I/O context on a file descriptor, and the header mended after it.
// Private to the vfw library. Not thread-safe: a file and its streams are
// used from one thread at a time, as Video for Windows requires.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "FfmpegOwners.h"
#include "file/AviHeader.h"
#include "vfw.h"

struct IAVIFile {
  std::atomic<ULONG> refs{1};
  int fd = -1;
  std::string path;
  vfw::detail::FormatContextPtr format;
  vfw::detail::IoContextPtr io;
  bool headerWritten = false;
  // Whether the file's old content is gone: the file was made here, or cut
  // to nothing for the header. A file that existed keeps its content until
  // the first sample comes, so a stream that fails before it loses nothing.
  bool ownsContent = false;
  // Whether this file made the path: only then may a file that got no
  // header be removed again.
  bool createdHere = false;
  bool failed = false;
  int64_t committedEnd = 0;  // file size after the last sample that was written whole
  vfw::detail::AviHeader header;
  bool headerLocated = false;
  std::vector<vfw::detail::AviHeader::StreamTally> tallies;  // by stream index
  int64_t firstPartFrames = -1;                              // known once the first RIFF part has ended
  std::chrono::steady_clock::time_point lastRefresh;

  ~IAVIFile();
  bool allFormatsSet() const {
    for (unsigned i = 0; i < format->nb_streams; ++i)
      if (format->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return false;
    return format->nb_streams > 0;
  }
  HRESULT writeHeader();
  HRESULT writePacket(AVPacket* packet);
  void complete();
  void cutBackToLastSample();
  void noteSample(int streamIndex, int size, int64_t dts);
  void refresh();
};
