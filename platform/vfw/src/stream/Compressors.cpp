// The compressor manager: ICInfo, ICOpen, ICGetInfo, ICSendMessage, ICClose.
#include "Compressors.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

extern "C" {
#include <libavutil/opt.h>
}

#include "win32/Text.h"

namespace vfw::detail {
namespace {

// The default key-frame rate doubles as the highest frame rate the options
// dialogs offer with the compressor, so it follows what the encoder keeps up
// with at 1920x1080 on two cores while a capture runs beside it: Motion JPEG,
// HuffYUV, Ut Video and MPEG-4 part 2 encode 80 to 110 frames a second there,
// x264 (veryfast, intra only) about 70 but far less on busy pictures, FFV1
// about 20 to 35, Microsoft Video 1 about 5 to 10. Lossless compressors have
// no quality to choose and do not answer the default-quality query.
// libavcodec's Cinepak encoder manages about 0.1 frame a second at that size
// and is not offered.
// Motion JPEG runs on one thread: it encodes a 1920x1080 frame in about 7 ms
// there, so one core keeps up with every rate offered up to 3840x2160, and
// each frame thread would hold a whole encoder of its own (with optimal
// Huffman tables, a 12.5 MB code buffer at 1920x1080) for no gain in a
// recording that overlaps grabbing and writing anyway.
const Compressor kCompressors[] = {
    {MAKEFOURCC('M', 'J', 'P', 'G'), "mjpeg", u"MJPEG", u"Motion JPEG", AV_PIX_FMT_YUVJ420P,
     VIDCF_QUALITY | VIDCF_CRUNCH, QualityScale::QScale, 9000, 20, "", false, 1},
    {MAKEFOURCC('F', 'F', 'V', '1'), "ffv1", u"FFV1", u"FFV1 lossless", AV_PIX_FMT_BGR0, 0, QualityScale::None,
     std::nullopt, 10, "level=3:slicecrc=1"},
    {MAKEFOURCC('H', 'F', 'Y', 'U'), "huffyuv", u"HuffYUV", u"HuffYUV lossless", AV_PIX_FMT_BGRA, 0, QualityScale::None,
     std::nullopt, 20, ""},
    {MAKEFOURCC('U', 'L', 'R', 'G'), "utvideo", u"Ut Video RGB", u"Ut Video lossless RGB", AV_PIX_FMT_GBRP, 0,
     QualityScale::None, std::nullopt, 20, ""},
    {MAKEFOURCC('F', 'M', 'P', '4'), "mpeg4", u"MPEG-4", u"MPEG-4 part 2 (FFmpeg)", AV_PIX_FMT_YUV420P,
     VIDCF_QUALITY | VIDCF_CRUNCH | VIDCF_TEMPORAL, QualityScale::QScale, 9000, 20, "bf=0"},
    {MAKEFOURCC('H', '2', '6', '4'), "libx264", u"x264", u"H.264 (x264)", AV_PIX_FMT_YUV420P,
     VIDCF_QUALITY | VIDCF_CRUNCH | VIDCF_TEMPORAL, QualityScale::Crf, 5500, 15, "preset=veryfast:bf=0"},
    {MAKEFOURCC('M', 'S', 'V', 'C'), "msvideo1", u"MS Video 1", u"Microsoft Video 1", AV_PIX_FMT_RGB555LE,
     VIDCF_TEMPORAL, QualityScale::None, 7500, 5, "", true},
};

FOURCC LowerFourcc(FOURCC code) {
  FOURCC out = 0;
  for (int i = 0; i < 4; ++i) {
    auto c = static_cast<unsigned char>((code >> (8 * i)) & 0xFF);
    out |= static_cast<FOURCC>(std::tolower(c)) << (8 * i);
  }
  return out;
}

// An open compressor: which one, and the mode it was opened in.
struct OpenCompressor {
  const Compressor* compressor;
  UINT mode;
};

std::mutex g_openMutex;
std::unordered_set<void*>& OpenHandles() {
  static std::unordered_set<void*> handles;
  return handles;
}

OpenCompressor* ToOpen(HIC handle) {
  std::lock_guard lock(g_openMutex);
  return handle && OpenHandles().count(handle) ? reinterpret_cast<OpenCompressor*>(handle) : nullptr;
}

void FillInfo(const Compressor& c, ICINFO* info, bool withNames) {
  std::memset(info, 0, sizeof *info);
  info->dwSize = sizeof(ICINFO);
  info->fccType = ICTYPE_VIDEO;
  info->fccHandler = c.fccHandler;
  info->dwFlags = c.flags;
  info->dwVersion = LIBAVCODEC_VERSION_INT;
  info->dwVersionICM = ICVERSION;
  win32::CopyWide(win32::FromUtf8(std::string("libavcodec:") + c.encoderName), info->szDriver, 128);
  if (withNames) {
    win32::CopyWide(c.name, info->szName, 16);
    win32::CopyWide(c.description, info->szDescription, 128);
  }
}

}  // namespace

const std::vector<const Compressor*>& InstalledCompressors() {
  static const std::vector<const Compressor*> installed = [] {
    std::vector<const Compressor*> list;
    for (const Compressor& c : kCompressors)
      if (avcodec_find_encoder_by_name(c.encoderName)) list.push_back(&c);
    return list;
  }();
  return installed;
}

const Compressor* FindCompressor(FOURCC fccHandler) {
  const FOURCC wanted = LowerFourcc(fccHandler);
  for (const Compressor* c : InstalledCompressors())
    if (LowerFourcc(c->fccHandler) == wanted) return c;
  return nullptr;
}

CodecContextPtr OpenEncoder(const Compressor& compressor, int width, int height, AVRational timeBase, LONG quality,
                            DWORD keyFrameEvery, std::string* reason) {
  const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoderName);
  if (!codec) {
    *reason = "encoder not available";
    return nullptr;
  }
  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) {
    *reason = "out of memory";
    return nullptr;
  }
  context->width = width;
  context->height = height;
  context->pix_fmt = compressor.pixelFormat;
  context->time_base = timeBase;
  context->framerate = av_inv_q(timeBase);
  context->sample_aspect_ratio = AVRational{1, 1};
  context->thread_count = compressor.threads;
  context->codec_tag = compressor.fccHandler;
  if (keyFrameEvery > 0) {
    context->gop_size = static_cast<int>(std::min<DWORD>(keyFrameEvery, 600));
    context->keyint_min = compressor.keyIntervalFromMinimum ? context->gop_size - 1 : context->gop_size;
  }
  if (compressor.pixelFormat == AV_PIX_FMT_YUVJ420P || compressor.pixelFormat == AV_PIX_FMT_YUV420P)
    context->color_range = compressor.pixelFormat == AV_PIX_FMT_YUVJ420P ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;

  Dictionary options;
  if (*compressor.options) av_dict_parse_string(options.get(), compressor.options, "=", ":", 0);
  if (quality == ICQUALITY_DEFAULT) quality = static_cast<LONG>(compressor.defaultQuality.value_or(ICQUALITY_HIGH));
  const double q = std::clamp<LONG>(quality, ICQUALITY_LOW, ICQUALITY_HIGH) / 10000.0;
  switch (compressor.scale) {
    case QualityScale::QScale: {
      const int qscale = static_cast<int>(std::lround(1 + (1 - q) * 30));
      context->flags |= AV_CODEC_FLAG_QSCALE;
      context->global_quality = FF_QP2LAMBDA * qscale;
      break;
    }
    case QualityScale::Crf:
      options.set("crf", std::to_string(std::lround((1 - q) * 51)).c_str());
      break;
    case QualityScale::None:
      break;
  }
  int err = avcodec_open2(context.get(), codec, options.get());
  if (err < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    *reason = text;
    return nullptr;
  }
  return context;
}

}  // namespace vfw::detail

using namespace vfw::detail;

extern "C" {

BOOL ICInfo(DWORD fccType, DWORD fccHandler, ICINFO* info) {
  if (!info || (fccType != ICTYPE_VIDEO && fccType != 0)) return FALSE;
  const auto& installed = InstalledCompressors();
  const Compressor* c = nullptr;
  if (fccHandler < 256) {
    if (fccHandler < installed.size()) c = installed[fccHandler];
  } else {
    c = FindCompressor(fccHandler);
  }
  if (!c) return FALSE;
  FillInfo(*c, info, false);
  return TRUE;
}

HIC ICOpen(DWORD fccType, DWORD fccHandler, UINT mode) {
  if (fccType != ICTYPE_VIDEO && fccType != 0) return nullptr;
  const Compressor* c = FindCompressor(fccHandler);
  if (!c || (mode != ICMODE_QUERY && mode != ICMODE_COMPRESS && mode != ICMODE_FASTCOMPRESS)) return nullptr;
  auto* open = new OpenCompressor{c, mode};
  std::lock_guard lock(g_openMutex);
  OpenHandles().insert(open);
  return reinterpret_cast<HIC>(open);
}

LRESULT ICGetInfo(HIC compressor, ICINFO* info, DWORD size) {
  OpenCompressor* open = ToOpen(compressor);
  if (!open || !info) return 0;
  ICINFO full;
  FillInfo(*open->compressor, &full, true);
  const DWORD copied = std::min<DWORD>(size, sizeof full);
  std::memcpy(info, &full, copied);
  return copied;
}

LRESULT ICSendMessage(HIC compressor, UINT message, DWORD_PTR param1, DWORD_PTR param2) {
  OpenCompressor* open = ToOpen(compressor);
  if (!open) return ICERR_BADHANDLE;
  const Compressor& c = *open->compressor;
  switch (message) {
    case ICM_GETDEFAULTQUALITY:
    case ICM_GETDEFAULTKEYFRAMERATE: {
      const auto& answer = message == ICM_GETDEFAULTQUALITY ? c.defaultQuality : c.defaultKeyFrameRate;
      if (!answer) return ICERR_UNSUPPORTED;
      if (!param1) return ICERR_BADPARAM;
      *reinterpret_cast<DWORD*>(param1) = *answer;
      return ICERR_OK;
    }
    case ICM_GETINFO:
      return ICGetInfo(compressor, reinterpret_cast<ICINFO*>(param1), static_cast<DWORD>(param2));
    default:
      return ICERR_UNSUPPORTED;
  }
}

LRESULT ICClose(HIC compressor) {
  std::lock_guard lock(g_openMutex);
  if (!compressor || OpenHandles().erase(compressor) == 0) return ICERR_BADHANDLE;
  delete reinterpret_cast<OpenCompressor*>(compressor);
  return ICERR_OK;
}

}  // extern "C"
