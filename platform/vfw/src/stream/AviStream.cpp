// The streams of an AVI file and their encoders.
//
// A raw stream writes each DIB as one uncompressed sample, turned round when
// its rows lie the other way. A compressed stream (AVIMakeCompressedStream)
// gives each DIB to a libavcodec encoder, through our own conversion for the
// 4:2:0 encoders and libswscale for the rest, and writes what comes out
// through its raw source stream into the file.
#include "stream/AviStream.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VfwLog.h"
#include "stream/PlanarConvert.h"
#include "win32/Gdi.h"

namespace {

using namespace vfw::detail;

LONG RowBytes(LONG width, WORD bits) { return ((width * bits + 31) / 32) * 4; }

bool ValidDib(const BITMAPINFOHEADER& h) {
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biWidth <= 16384 && h.biHeight != 0 &&
         h.biHeight >= -16384 && h.biHeight <= 16384 && h.biPlanes == 1 && (h.biBitCount == 24 || h.biBitCount == 32) &&
         h.biCompression == BI_RGB;
}

// A released object is gone, as a released COM object is; only null is

// A released object is gone, as a released COM object is; only null is
// caught here.
bool LiveStream(PAVISTREAM stream) { return stream != nullptr; }

}  // namespace

IAVIStream::~IAVIStream() {
  // Frames the encoder still holds go out before the file can complete.
  if (encoder && !file->failed && avcodec_send_frame(encoder.get(), nullptr) >= 0) drainEncoder();
  if (source) AVIStreamRelease(source);
  if (file) AVIFileRelease(file);
}

HRESULT IAVIStream::setRawFormat(const BITMAPINFOHEADER& h) {
  if (!ValidDib(h) || h.biHeight < 0) return AVIERR_BADFORMAT;
  AVCodecParameters* par = avStream->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = AV_CODEC_ID_RAWVIDEO;
  par->codec_tag = 0;  // BI_RGB
  par->width = h.biWidth;
  par->height = h.biHeight;
  par->bits_per_coded_sample = h.biBitCount;
  par->format = h.biBitCount == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
  packet.reset(av_packet_alloc());
  if (!packet) return AVIERR_MEMORY;
  format = h;
  format.biSizeImage = static_cast<DWORD>(RowBytes(h.biWidth, h.biBitCount)) * h.biHeight;
  formatSet = true;
  return AVIERR_OK;
}

HRESULT IAVIStream::setCompressedFormat(const BITMAPINFOHEADER& h) {
  if (!ValidDib(h)) return AVIERR_BADFORMAT;
  if (source->formatSet || file->headerWritten) return AVIERR_UNSUPPORTED;
  const int width = h.biWidth;
  const int height = h.biHeight > 0 ? h.biHeight : -h.biHeight;
  const AVRational timeBase = av_make_q(static_cast<int>(source->info.dwScale), static_cast<int>(source->info.dwRate));
  DWORD keyFrameEvery = (options.dwFlags & AVICOMPRESSF_KEYFRAMES) ? options.dwKeyFrameEvery : 0;
  std::string reason;
  CodecContextPtr context =
      OpenEncoder(*compressor, width, height, timeBase, static_cast<LONG>(options.dwQuality), keyFrameEvery, &reason);
  if (!context) {
    Log("AVIStreamSetFormat", std::string(compressor->encoderName) + " refuses " + std::to_string(width) + "x" +
                                  std::to_string(height) + ": " + reason);
    return AVIERR_BADFORMAT;
  }
  inputFormat = h.biBitCount == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
  directYuv420 = (context->pix_fmt == AV_PIX_FMT_YUVJ420P || context->pix_fmt == AV_PIX_FMT_YUV420P) &&
                 CanConvertToYuv420(h.biBitCount, width, height);
  fullRange = context->pix_fmt == AV_PIX_FMT_YUVJ420P;
  if (!directYuv420) {
    scaler.reset(sws_getContext(width, height, inputFormat, width, height, context->pix_fmt, SWS_BICUBIC, nullptr,
                                nullptr, nullptr));
    if (!scaler) return AVIERR_MEMORY;
  }
  packet.reset(av_packet_alloc());
  if (!packet) return AVIERR_MEMORY;

  AVCodecParameters* par = source->avStream->codecpar;
  if (avcodec_parameters_from_context(par, context.get()) < 0) return AVIERR_MEMORY;
  par->codec_tag = compressor->fccHandler;
  source->avStream->time_base = context->time_base;
  source->format = h;
  source->format.biCompression = compressor->fccHandler;
  source->formatSet = true;
  format = h;
  format.biSizeImage = static_cast<DWORD>(RowBytes(width, h.biBitCount)) * height;
  formatSet = true;
  encoder = std::move(context);
  return AVIERR_OK;
}

bool IAVIStream::rowsTopDown(const void* data) const {
  bool topDown = format.biHeight < 0;
  win32::DibRowsTopDown(data, &topDown);
  return topDown;
}

HRESULT IAVIStream::writeRaw(LONG start, const void* data, LONG size, DWORD) {
  // A short sample would leave a frame the reader cannot decode.
  if (size < static_cast<LONG>(format.biSizeImage)) return AVIERR_BADSIZE;
  if (rowsTopDown(data) != (format.biHeight < 0)) {
    const int height = format.biHeight > 0 ? format.biHeight : -format.biHeight;
    const std::size_t stride = static_cast<std::size_t>(RowBytes(format.biWidth, format.biBitCount));
    turned.resize(stride * height);
    for (int y = 0; y < height; ++y)
      std::memcpy(turned.data() + (height - 1 - y) * stride, static_cast<const uint8_t*>(data) + y * stride, stride);
    data = turned.data();
  }
  AVPacket* pkt = packet.get();
  pkt->data = const_cast<uint8_t*>(static_cast<const uint8_t*>(data));
  pkt->size = static_cast<int>(format.biSizeImage);
  pkt->stream_index = avStream->index;
  pkt->pts = pkt->dts = start;
  pkt->duration = 1;
  pkt->flags = AV_PKT_FLAG_KEY;  // every uncompressed frame stands alone
  av_packet_rescale_ts(pkt, av_make_q(static_cast<int>(info.dwScale), static_cast<int>(info.dwRate)),
                       avStream->time_base);
  HRESULT hr = file->writePacket(pkt);
  av_packet_unref(pkt);
  return hr;
}

HRESULT IAVIStream::drainEncoder() {
  for (;;) {
    int err = avcodec_receive_packet(encoder.get(), packet.get());
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return AVIERR_OK;
    if (err < 0) {
      Log("AVIStreamWrite", std::string(compressor->encoderName) + ": " + AvError(err));
      return AVIERR_COMPRESSOR;
    }
    packet->stream_index = source->avStream->index;
    av_packet_rescale_ts(packet.get(), encoder->time_base, source->avStream->time_base);
    HRESULT hr = file->writePacket(packet.get());
    av_packet_unref(packet.get());
    if (FAILED(hr)) return hr;
  }
}

AVFrame* IAVIStream::freePicture() {
  for (const auto& picture : pictures) {
    if (av_frame_is_writable(picture.get())) return picture.get();
  }
  FramePtr picture(av_frame_alloc());
  if (!picture) return nullptr;
  picture->format = encoder->pix_fmt;
  picture->width = encoder->width;
  picture->height = encoder->height;
  if (av_frame_get_buffer(picture.get(), 0) < 0) return nullptr;
  pictures.push_back(std::move(picture));
  return pictures.back().get();
}

HRESULT IAVIStream::compress(LONG start, const void* data, LONG size) {
  if (size < static_cast<LONG>(format.biSizeImage)) return AVIERR_BADSIZE;
  AVFrame* frame = freePicture();
  if (frame == nullptr) return AVIERR_MEMORY;
  const int height = format.biHeight > 0 ? format.biHeight : -format.biHeight;
  const int stride = RowBytes(format.biWidth, format.biBitCount);
  const uint8_t* top = static_cast<const uint8_t*>(data);
  int step = stride;
  if (!rowsTopDown(data)) {  // bottom-up: start at the last row and walk back
    top += static_cast<std::ptrdiff_t>(height - 1) * stride;
    step = -stride;
  }
  if (directYuv420) {
    const PlanarPicture out{{frame->data[0], frame->data[1], frame->data[2]},
                            {frame->linesize[0], frame->linesize[1], frame->linesize[2]}};
    ConvertToYuv420(top, step, format.biBitCount, format.biWidth, height, fullRange, out);
  } else {
    const uint8_t* planes[4] = {top, nullptr, nullptr, nullptr};
    const int strides[4] = {step, 0, 0, 0};
    sws_scale(scaler.get(), planes, strides, 0, height, frame->data, frame->linesize);
  }
  frame->pts = start;
  frame->pict_type = AV_PICTURE_TYPE_NONE;
  // MPEG-style encoders with a fixed quantiser read it from each picture.
  frame->quality = encoder->global_quality;
  int err = avcodec_send_frame(encoder.get(), frame);
  if (err < 0) {
    Log("AVIStreamWrite", std::string(compressor->encoderName) + ": " + AvError(err));
    return AVIERR_COMPRESSOR;
  }
  return drainEncoder();
}

extern "C" {

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, AVICOMPRESSOPTIONS* options,
                                const CLSID* handler) {
  if (!compressed) return AVIERR_BADPARAM;
  *compressed = nullptr;
  if (!LiveStream(source) || source->source) return AVIERR_BADHANDLE;
  if (!options || handler) return AVIERR_BADPARAM;
  if (options->fccType != 0 && options->fccType != streamtypeVIDEO) return AVIERR_UNSUPPORTED;
  const Compressor* c = FindCompressor(options->fccHandler);
  if (!c) return AVIERR_NOCOMPRESSOR;
  auto* s = new IAVIStream;
  s->file = source->file;
  AVIFileAddRef(s->file);
  s->source = source;
  AVIStreamAddRef(source);
  s->info = source->info;
  s->info.fccHandler = c->fccHandler;
  s->compressor = c;
  s->options = *options;
  *compressed = s;
  return AVIERR_OK;
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG formatSize) {
  if (!LiveStream(stream)) return AVIERR_BADHANDLE;
  if (!format || formatSize < static_cast<LONG>(sizeof(BITMAPINFOHEADER))) return AVIERR_BADSIZE;
  // One format for the whole stream: AVI keeps a single stream format.
  if (position != 0 || stream->formatSet) return AVIERR_UNSUPPORTED;
  BITMAPINFOHEADER header;
  std::memcpy(&header, format, sizeof header);
  if (stream->compressor) return stream->setCompressedFormat(header);
  if (stream->file->headerWritten) return AVIERR_UNSUPPORTED;
  return stream->setRawFormat(header);
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten) {
  if (samplesWritten) *samplesWritten = 0;
  if (bytesWritten) *bytesWritten = 0;
  if (!LiveStream(stream)) return AVIERR_BADHANDLE;
  if (!buffer || bufferSize <= 0 || samples != 1 || start < 0) return AVIERR_BADPARAM;
  if (!stream->formatSet) return AVIERR_BADFORMAT;
  if (start < stream->nextPosition) return AVIERR_BADPARAM;
  if (stream->file->failed) return AVIERR_FILEWRITE;
  HRESULT hr = stream->compressor ? stream->compress(start, buffer, bufferSize)
                                  : stream->writeRaw(start, buffer, bufferSize, flags);
  if (FAILED(hr)) return hr;
  stream->nextPosition = static_cast<int64_t>(start) + 1;
  if (samplesWritten) *samplesWritten = 1;
  if (bytesWritten) *bytesWritten = bufferSize;
  return AVIERR_OK;
}

ULONG AVIStreamAddRef(PAVISTREAM stream) { return LiveStream(stream) ? ++stream->refs : 0; }

ULONG AVIStreamRelease(PAVISTREAM stream) {
  if (!LiveStream(stream)) return 0;
  ULONG left = --stream->refs;
  if (left == 0) delete stream;
  return left;
}
}  // extern "C"
