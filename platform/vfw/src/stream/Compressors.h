// The installed compressors: libavcodec video encoders offered under
// Video for Windows four-character codes. Private to the vfw library.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "FfmpegOwners.h"
#include "vfw.h"

namespace vfw::detail {

// How a Video for Windows quality (0..10000) reaches the encoder.
enum class QualityScale {
  None,    // lossless, or the encoder has no quality control
  QScale,  // MPEG-style quantiser, 31 (worst) .. 1 (best)
  Crf,     // x264 constant rate factor, 51 (worst) .. 0 (best)
};

struct Compressor {
  FOURCC fccHandler;        // as carried in the file's stream header
  const char* encoderName;  // libavcodec encoder
  const char16_t* name;
  const char16_t* description;
  AVPixelFormat pixelFormat;  // what the encoder is given
  DWORD flags;                // VIDCF_*
  QualityScale scale;
  std::optional<DWORD> defaultQuality;       // empty: does not answer
  std::optional<DWORD> defaultKeyFrameRate;  // empty: does not answer
  const char* options;                       // encoder options, "key=value:key=value"
  // The encoder makes a key frame keyint_min + 1 frames after the last one
  // (Microsoft Video 1) rather than every gop_size frames.
  bool keyIntervalFromMinimum = false;
  // Encoder threads; 0: as many as the machine has.
  int threads = 0;
};

// The compressors whose encoder the running libavcodec has, in a fixed order.
const std::vector<const Compressor*>& InstalledCompressors();
// Case-insensitive match on the code; null when none is installed.
const Compressor* FindCompressor(FOURCC fccHandler);
// Opens an encoder for frames of the given size. quality is 0..10000 or
// ICQUALITY_DEFAULT; keyFrameEvery 0 leaves the encoder's own interval.
// Null (and a reason) when the encoder refuses the settings.
CodecContextPtr OpenEncoder(const Compressor& compressor, int width, int height, AVRational timeBase, LONG quality,
                            DWORD keyFrameEvery, std::string* reason);

}  // namespace vfw::detail
