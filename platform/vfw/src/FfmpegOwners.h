// Owners for FFmpeg objects: each releases its object with the matching
// FFmpeg call, so a half-built file or encoder leaks nothing.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace vfw::detail {

struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleContextDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
// The format context of a file being written; its I/O context is ours and
// is closed by the file, not by this owner.
struct FormatContextDeleter {
  void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
struct IoContextDeleter {
  void operator()(AVIOContext* context) const {
    if (context) av_freep(&context->buffer);
    avio_context_free(&context);
  }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScaleContextPtr = std::unique_ptr<SwsContext, ScaleContextDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;

// An option dictionary that frees what the encoder did not take.
class Dictionary {
 public:
  Dictionary() = default;
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  ~Dictionary() { av_dict_free(&m_dict); }
  void set(const char* key, const char* value) { av_dict_set(&m_dict, key, value, 0); }
  AVDictionary** get() { return &m_dict; }

 private:
  AVDictionary* m_dict = nullptr;
};

}  // namespace vfw::detail
