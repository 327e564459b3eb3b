// AVI files and streams on libavformat's AVI muxer.
//
// A file collects its streams until the first sample is written; then the
// header goes out and samples follow as they arrive. The muxer writes to our
// own I/O context over a file descriptor, flushed after every sample, so that
// a sample reported written is in the file, and so that a file whose writing
// failed (a full disk, a file-size limit) can be cut back to its last whole
// sample and its RIFF sizes mended: it then reads as an AVI without an index,
// which players and ffmpeg handle by reading the chunks in order.
//
// The muxer writes the AVI that FFmpeg writes; AviHeader then makes it say
// what a Video for Windows writer says (chunk types, flags, counts, sizes).
// While a file is written its frame counts and RIFF sizes are brought up to
// date twice a second, so that a file whose writer never finished
// (a crash, kill -9) opens with all but its last second.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AviHeader.h"
#include "Compressors.h"
#include "PlanarConvert.h"
#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

using namespace vfw::detail;

void Log(const char* function, const std::string& what) { std::fprintf(stderr, "vfw: %s: %s\n", function, what.c_str()); }

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

std::atomic<int> g_initCount{0};

constexpr int kIoBufferSize = 64 << 10;
// How often the counts and sizes of a file being written are brought up to
// date on disk: twice a second, so that frames that come in bursts still
// leave the header less than a second behind.
constexpr auto kRefreshPeriod = std::chrono::milliseconds(500);
// The muxer ends the first RIFF part once it passes this size.
constexpr int64_t kFirstPartLimit = int64_t{1} << 30;

}  // namespace

struct IAVIStream;

struct IAVIFile {
  std::atomic<ULONG> refs{1};
  int fd = -1;
  std::string path;
  FormatContextPtr format;
  IoContextPtr io;
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
  AviHeader header;
  bool headerLocated = false;
  std::vector<AviHeader::StreamTally> tallies;  // by stream index
  int64_t firstPartFrames = -1;                  // known once the first RIFF part has ended
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
  const Compressor* compressor = nullptr;
  AVICOMPRESSOPTIONS options{};
  CodecContextPtr encoder;
  ScaleContextPtr scaler;
  // Pictures for the encoder, reused: one the encoder's threads no longer
  // hold is filled again, and a new one is made only while every picture is
  // still held (frame threads keep a few), so that a picture is neither
  // copied nor allocated afresh for every frame.
  std::vector<FramePtr> pictures;
  AVFrame* freePicture();
  PacketPtr packet;
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

namespace {

int WriteCallback(void* opaque, uint8_t* data, int size) {  // FFmpeg 5.1 signature
  auto* file = static_cast<IAVIFile*>(opaque);
  int done = 0;
  while (done < size) {
    ssize_t n = ::write(file->fd, data + done, static_cast<size_t>(size - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    if (n == 0) return AVERROR(EIO);
    done += static_cast<int>(n);
  }
  return size;
}

int64_t SeekCallback(void* opaque, int64_t offset, int whence) {
  auto* file = static_cast<IAVIFile*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st;
    return ::fstat(file->fd, &st) == 0 ? st.st_size : AVERROR(errno);
  }
  off_t pos = ::lseek(file->fd, offset, whence & ~AVSEEK_FORCE);
  return pos < 0 ? AVERROR(errno) : pos;
}

LONG RowBytes(LONG width, WORD bits) { return ((width * bits + 31) / 32) * 4; }

bool ValidDib(const BITMAPINFOHEADER& h) {
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biWidth <= 16384 && h.biHeight != 0 &&
         h.biHeight >= -16384 && h.biHeight <= 16384 && h.biPlanes == 1 &&
         (h.biBitCount == 24 || h.biBitCount == 32) && h.biCompression == BI_RGB;
}

// A released object is gone, as a released COM object is; only null is
// caught here.
bool LiveFile(PAVIFILE file) { return file != nullptr; }
bool LiveStream(PAVISTREAM stream) { return stream != nullptr; }

}  // namespace

IAVIFile::~IAVIFile() {
  if (fd >= 0) ::close(fd);
}

HRESULT IAVIFile::writeHeader() {
  if (!allFormatsSet()) {
    Log("AVIStreamWrite", "a stream of " + path + " has no format");
    return AVIERR_BADFORMAT;
  }
  if (!ownsContent) {
    ownsContent = true;
    if (::ftruncate(fd, 0) != 0) {
      Log("AVIStreamWrite", "cannot replace " + path + ": " + strerror(errno));
      failed = true;
      return AVIERR_FILEWRITE;
    }
  }
  Dictionary options;
  options.set("flipped_raw_rgb", "1");  // DIB rows are bottom-up, as AVI readers expect them
  int err = avformat_write_header(format.get(), options.get());
  if (err >= 0) avio_flush(io.get());
  if (err < 0 || io->error < 0) {
    Log("AVIStreamWrite", "cannot write the header of " + path + ": " + AvError(err < 0 ? err : io->error));
    failed = true;
    return AVIERR_FILEWRITE;
  }
  headerWritten = true;
  committedEnd = avio_tell(io.get());
  tallies.assign(format->nb_streams, {});
  for (unsigned i = 0; i < format->nb_streams; ++i)
    tallies[i].uncompressed = format->streams[i]->codecpar->codec_id == AV_CODEC_ID_RAWVIDEO;
  // The stream header's scale and rate are the first stream's time base.
  const AVRational period = format->streams[0]->time_base;
  headerLocated = header.locate(fd) && header.writeFixedFields(static_cast<uint32_t>(period.num),
                                                                static_cast<uint32_t>(period.den));
  if (!headerLocated) Log("AVIStreamWrite", "the header of " + path + " is not as expected; left as written");
  lastRefresh = std::chrono::steady_clock::now();
  return AVIERR_OK;
}

void IAVIFile::noteSample(int streamIndex, int size, int64_t dts) {
  AviHeader::StreamTally& tally = tallies[static_cast<size_t>(streamIndex)];
  tally.frames = static_cast<uint32_t>(std::max<int64_t>(tally.frames + 1, dts == AV_NOPTS_VALUE ? 0 : dts + 1));
  tally.largestChunk = std::max(tally.largestChunk, static_cast<uint32_t>(size));
  if (!headerLocated) return;
  if (tally.uncompressed) {
    // The muxer names every video chunk NNdc; an uncompressed frame is NNdb.
    // The sample's chunk is the last thing written.
    const int64_t chunk = committedEnd - 8 - size - (size & 1);
    char id[4];
    if (::pread(fd, id, 4, chunk) == 4 && id[2] == 'd' && id[3] == 'c' && ::pwrite(fd, "db", 2, chunk + 2) != 2)
      Log("AVIStreamWrite", "cannot name a chunk of " + path + ": " + strerror(errno));
  }
  if (firstPartFrames < 0 && committedEnd > kFirstPartLimit) {
    // The muxer ends the first part, with its idx1, before the sample that
    // passes the limit.
    firstPartFrames = header.firstPartFrames();
    if (firstPartFrames >= 0) {
      // From here on the file is an OpenDML one; its header says so at once.
      header.markUncompressedInIndexes(tallies);
      refresh();
      return;
    }
  }
  if (std::chrono::steady_clock::now() - lastRefresh >= kRefreshPeriod) refresh();
}

void IAVIFile::refresh() {
  if (!headerLocated) return;
  if (!header.mendOpenPart(committedEnd) || !header.writeCounts(tallies, firstPartFrames))
    Log("AVIStreamWrite", "cannot bring the header of " + path + " up to date: " + strerror(errno));
  lastRefresh = std::chrono::steady_clock::now();
}

HRESULT IAVIFile::writePacket(AVPacket* packet) {
  if (failed) return AVIERR_FILEWRITE;
  if (!headerWritten) {
    HRESULT hr = writeHeader();
    if (FAILED(hr)) return hr;
  }
  const int streamIndex = packet->stream_index, size = packet->size;
  const int64_t dts = packet->dts;
  int err = av_write_frame(format.get(), packet);
  if (err >= 0) avio_flush(io.get());
  if (err < 0 || io->error < 0) {
    Log("AVIStreamWrite", "cannot write to " + path + ": " + AvError(err < 0 ? err : io->error));
    failed = true;
    return AVIERR_FILEWRITE;
  }
  committedEnd = avio_tell(io.get());
  noteSample(streamIndex, size, dts);
  return AVIERR_OK;
}

void IAVIFile::cutBackToLastSample() {
  if (::ftruncate(fd, committedEnd) != 0) Log("AVIFileRelease", "cannot cut " + path + " back: " + strerror(errno));
  // Sizes and counts are rewritten in place: that needs no new space.
  if (headerWritten) refresh();
}

void IAVIFile::complete() {
  if (!format) return;
  if (!failed && !headerWritten && allFormatsSet()) {
    // No sample came; still a valid AVI with empty streams.
    writeHeader();
  }
  if (!failed && headerWritten) {
    int err = av_write_trailer(format.get());
    if (err >= 0) avio_flush(io.get());
    if (err < 0 || io->error < 0) {
      Log("AVIFileRelease", "cannot complete " + path + ": " + AvError(err < 0 ? err : io->error));
      failed = true;
    } else if (headerLocated) {
      // The muxer's own counts are one off past the first part, and its
      // indexes name every chunk NNdc. Only now has the file an index.
      if (!header.markUncompressedInIndexes(tallies) || !header.writeCounts(tallies, firstPartFrames) ||
          !header.markIndexed())
        Log("AVIFileRelease", "cannot complete the header of " + path + ": " + strerror(errno));
    }
  }
  if (failed) cutBackToLastSample();
  format.reset();
  io.reset();
  if (!headerWritten && createdHere) {
    // Nothing went in (no stream got a format, or the header could not be
    // written): an empty file that this movie made does not stay behind.
    ::unlink(path.c_str());
  }
}

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
  CodecContextPtr context = OpenEncoder(*compressor, width, height, timeBase, static_cast<LONG>(options.dwQuality),
                                        keyFrameEvery, &reason);
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

void AVIFileInit() {
  // FFmpeg's own notes (encoder statistics, scaler hints) are not for the
  // user; errors still reach standard error, with this library's own lines.
  if (g_initCount++ == 0) av_log_set_level(AV_LOG_ERROR);
}

void AVIFileExit() {
  int count = g_initCount.load();
  while (count > 0 && !g_initCount.compare_exchange_weak(count, count - 1)) {
  }
}

HRESULT AVIFileOpenW(PAVIFILE* file, LPCWSTR fileName, UINT mode, const CLSID* handler) {
  if (!file) return AVIERR_BADPARAM;
  *file = nullptr;
  if (!fileName || !*fileName || handler) return AVIERR_BADPARAM;
  if (!(mode & OF_CREATE) || !(mode & (OF_WRITE | OF_READWRITE))) return AVIERR_BADFLAGS;
  auto f = std::make_unique<IAVIFile>();
  f->path = win32::NativePath(fileName);
  f->fd = ::open(f->path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  f->createdHere = f->ownsContent = f->fd >= 0;
  // An existing path is replaced only when it is a regular file (or a link to
  // one): a movie needs a file it can seek in and cut, and a FIFO or a device
  // is left as it is. O_NONBLOCK keeps a FIFO without a reader from holding
  // the open up.
  if (f->fd < 0 && errno == EEXIST) f->fd = ::open(f->path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (f->fd < 0) {
    Log("AVIFileOpenW", "cannot create " + f->path + ": " + strerror(errno));
    return AVIERR_FILEOPEN;
  }
  struct stat status {};
  if (::fstat(f->fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    Log("AVIFileOpenW", "cannot create " + f->path + ": not a regular file");
    return AVIERR_FILEOPEN;
  }
  if (!f->createdHere) ::fcntl(f->fd, F_SETFL, ::fcntl(f->fd, F_GETFL) & ~O_NONBLOCK);
  const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
  AVFormatContext* context = nullptr;
  if (!avi || avformat_alloc_output_context2(&context, avi, nullptr, nullptr) < 0) return AVIERR_INTERNAL;
  f->format.reset(context);
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (!buffer) return AVIERR_MEMORY;
  f->io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, f.get(), nullptr, WriteCallback, SeekCallback));
  if (!f->io) {
    av_free(buffer);
    return AVIERR_MEMORY;
  }
  // Samples go from the caller's buffer to the file without a copy through
  // the I/O buffer, which then only gathers the small header and index
  // fields.
  f->io->direct = 1;
  context->pb = f->io.get();
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  *file = f.release();
  return AVIERR_OK;
}

ULONG AVIFileAddRef(PAVIFILE file) { return LiveFile(file) ? ++file->refs : 0; }

ULONG AVIFileRelease(PAVIFILE file) {
  if (!LiveFile(file)) return 0;
  ULONG left = --file->refs;
  if (left == 0) {
    file->complete();
    delete file;
  }
  return left;
}

HRESULT AVIFileCreateStreamW(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOW* info) {
  if (!stream) return AVIERR_BADPARAM;
  *stream = nullptr;
  if (!LiveFile(file) || !file->format) return AVIERR_BADHANDLE;
  if (!info) return AVIERR_BADPARAM;
  if (info->fccType != streamtypeVIDEO) return AVIERR_UNSUPPORTED;
  if (info->dwRate == 0 || info->dwScale == 0 || info->dwRate > INT32_MAX || info->dwScale > INT32_MAX)
    return AVIERR_BADPARAM;
  if (file->headerWritten || file->failed) return AVIERR_UNSUPPORTED;
  AVStream* st = avformat_new_stream(file->format.get(), nullptr);
  if (!st) return AVIERR_MEMORY;
  const AVRational rate = av_make_q(static_cast<int>(info->dwRate), static_cast<int>(info->dwScale));
  st->time_base = av_inv_q(rate);
  st->avg_frame_rate = rate;
  st->r_frame_rate = rate;
  const std::string name = win32::ToUtf8(std::u16string_view(info->szName, win32::WideLength(info->szName) < 64
                                                                                  ? win32::WideLength(info->szName)
                                                                                  : 64));
  if (!name.empty()) av_dict_set(&st->metadata, "title", name.c_str(), 0);
  auto* s = new IAVIStream;
  s->file = file;
  AVIFileAddRef(file);
  s->avStream = st;
  s->info = *info;
  *stream = s;
  return AVIERR_OK;
}

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
