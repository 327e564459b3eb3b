// A stream of an AVI file (PAVISTREAM): raw, writing DIBs as they come, or
// compressed, writing through its raw source stream what an encoder makes of
// them. Private to the vfw library.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "FfmpegOwners.h"
#include "file/AviFile.h"
#include "stream/Compressors.h"
#include "vfw.h"

struct IAVIStream {
  std::atomic<ULONG> refs{1};
  IAVIFile* file = nullptr;  // referenced
  AVStream* avStream = nullptr;
  AVISTREAMINFOW info{};
  bool formatSet = false;
  BITMAPINFOHEADER format{};
  int64_t nextPosition = 0;

  // A compressed stream writes through its source stream.
  IAVIStream* source = nullptr;  // referenced
  const vfw::detail::Compressor* compressor = nullptr;
  AVICOMPRESSOPTIONS options{};
  vfw::detail::CodecContextPtr encoder;
  vfw::detail::ScaleContextPtr scaler;
  // Pictures for the encoder, reused: one the encoder's threads no longer
  // hold is filled again, and a new one is made only while every picture is
  // still held (frame threads keep a few), so that a picture is neither
  // copied nor allocated afresh for every frame.
  std::vector<vfw::detail::FramePtr> pictures;
  AVFrame* freePicture();
  vfw::detail::PacketPtr packet;
  AVPixelFormat inputFormat = AV_PIX_FMT_NONE;
  // 4:2:0 encoders take the rows through ConvertToYuv420 instead of the
  // scaler; this says whether in full (JPEG) range.
  bool directYuv420 = false;
  bool fullRange = false;

  ~IAVIStream();
  HRESULT setRawFormat(const BITMAPINFOHEADER& header);
  HRESULT setCompressedFormat(const BITMAPINFOHEADER& header);
  HRESULT writeRaw(LONG start, const void* data, LONG size, DWORD flags);
  // Where the rows of a frame lie: a DIB section just read from the screen
  // holds them top-down whatever the format says (see GdiFlush).
  bool rowsTopDown(const void* data) const;
  // A raw frame turned round into the format's row order.
  std::vector<uint8_t> turned;
  HRESULT compress(LONG start, const void* data, LONG size);
  HRESULT drainEncoder();
};
