// Everything in this library that holds only for the FFmpeg it was written
// for: FFmpeg 5.1, as Debian 12 ships it (libavformat 59, libavcodec 59,
// libavutil 57). Another version may build and still behave otherwise, so
// each tie is named here with what depends on it; the build says when the
// libraries it is given are of another major (platform/vfw/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <tuple>
#include <type_traits>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/avio.h>
#include <libavformat/version.h>
#include <libavutil/version.h>
}

namespace vfw::detail::ffmpeg {

// The majors this library was written and tested against.
constexpr int kAvformatMajor = 59;
constexpr int kAvcodecMajor = 59;
constexpr int kAvutilMajor = 57;

#if LIBAVFORMAT_VERSION_MAJOR != 59 || LIBAVCODEC_VERSION_MAJOR != 59 || LIBAVUTIL_VERSION_MAJOR != 57
// A note rather than a #warning, so that builds with -Werror still build:
// whether the ties below still hold is for the tests to tell.
#pragma message("vfw was written for FFmpeg 5.1 (libavformat 59, libavcodec 59, libavutil 57); see FfmpegTies.h")
#endif

// The write callback of an I/O context (avio_alloc_context's write_packet).
// In 5.1 it takes a mutable buffer; from FFmpeg 6.1 (libavformat 60.16) the
// buffer is const, and a callback of this type no longer converts.
using AvioWrite = int (*)(void* opaque, std::uint8_t* buffer, int size);

template <typename R, typename... Args>
std::tuple<Args...> ParametersOf(R (*)(Args...));
static_assert(std::is_same_v<std::tuple_element_t<5, decltype(ParametersOf(&avio_alloc_context))>, AvioWrite>,
              "avio_alloc_context's write callback is no longer int(void*, uint8_t*, int): "
              "the file's WriteCallback (file/AviFile.cpp) must follow it");

// The AVI muxer by name (av_guess_format), and its private option that
// writes raw RGB rows bottom-up, as a DIB holds them and as AVI readers
// expect them (libavformat/avienc.c, "flipped_raw_rgb", since FFmpeg 4.4).
constexpr char kAviMuxer[] = "avi";
constexpr char kFlippedRawRgbOption[] = "flipped_raw_rgb";

// The muxer ends a RIFF part, writing its idx1 for the first, before the
// packet that would take the part past this size (AVI_MAX_RIFF_SIZE in
// libavformat/avi.h); what follows goes into RIFF AVIX parts and the file
// becomes an OpenDML one.
constexpr std::int64_t kRiffPartLimit = std::int64_t{1} << 30;

// The header layout that file/AviHeader locates and mends, as avienc.c
// writes it in 5.1:
// - RIFF 'AVI ' then LIST 'hdrl' at offset 12 with its size filled in, the
//   main header 'avih' first in it;
// - one LIST 'strl' per stream holding 'strh', 'strf' (a BITMAPINFOHEADER of
//   40 bytes for video) and, for a seekable output, a JUNK chunk reserved for
//   the OpenDML super index that becomes 'indx' once a second part or the
//   trailer writes it;
// - a JUNK chunk whose first four data bytes are 'odml', reserved for the
//   LIST 'odml' with 'dmlh' and its total frame count;
// - sizes not yet known written as 0xFFFFFFFF;
// - every video chunk and index entry named NNdc whatever the codec, and
//   AVIF_TRUSTCKTYPE set in the main header's flags.
constexpr std::uint32_t kOpenSize = 0xFFFFFFFFu;
constexpr char kReservedChunk[] = "JUNK";
constexpr char kVideoChunkType[] = "dc";

}  // namespace vfw::detail::ffmpeg
