// AVI files on libavformat's AVI muxer.
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
#include "file/AviFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "FfmpegTies.h"
#include "VfwLog.h"
#include "stream/AviStream.h"
#include "win32/Text.h"

namespace {

using namespace vfw::detail;

std::atomic<int> g_initCount{0};

constexpr int kIoBufferSize = 64 << 10;
// How often the counts and sizes of a file being written are brought up to
// date on disk: twice a second, so that frames that come in bursts still
// leave the header less than a second behind.
constexpr auto kRefreshPeriod = std::chrono::milliseconds(500);

// Of the type ffmpeg::AvioWrite, whose signature changes with the FFmpeg
// version.
int WriteCallback(void* opaque, uint8_t* data, int size) {
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

// A released object is gone, as a released COM object is; only null is
// caught here.
bool LiveFile(PAVIFILE file) { return file != nullptr; }

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
  options.set(ffmpeg::kFlippedRawRgbOption, "1");  // DIB rows are bottom-up, as AVI readers expect them
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
  headerLocated = header.locate(fd) &&
                  header.writeFixedFields(static_cast<uint32_t>(period.num), static_cast<uint32_t>(period.den));
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
    if (::pread(fd, id, 4, chunk) == 4 && id[2] == ffmpeg::kVideoChunkType[0] && id[3] == ffmpeg::kVideoChunkType[1] &&
        ::pwrite(fd, "db", 2, chunk + 2) != 2)
      Log("AVIStreamWrite", "cannot name a chunk of " + path + ": " + strerror(errno));
  }
  if (firstPartFrames < 0 && committedEnd > ffmpeg::kRiffPartLimit) {
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

extern "C" {

void AVIFileInit() {
  // FFmpeg's own notes (encoder statistics, scaler hints) are not for the
  // user; errors still reach standard error, with this library's own lines.
  if (g_initCount++ == 0) av_log_set_level(AV_LOG_ERROR);
}

void AVIFileExit() {
  int count = g_initCount.load();
  while (count > 0 && !g_initCount.compare_exchange_weak(count, count - 1)) {}
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
  const AVOutputFormat* avi = av_guess_format(ffmpeg::kAviMuxer, nullptr, nullptr);
  AVFormatContext* context = nullptr;
  if (!avi || avformat_alloc_output_context2(&context, avi, nullptr, nullptr) < 0) return AVIERR_INTERNAL;
  f->format.reset(context);
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (!buffer) return AVIERR_MEMORY;
  f->io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, f.get(), nullptr,
                                 static_cast<ffmpeg::AvioWrite>(WriteCallback), SeekCallback));
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
  const std::string name = win32::ToUtf8(
      std::u16string_view(info->szName, win32::WideLength(info->szName) < 64 ? win32::WideLength(info->szName) : 64));
  if (!name.empty()) av_dict_set(&st->metadata, "title", name.c_str(), 0);
  auto* s = new IAVIStream;
  s->file = file;
  AVIFileAddRef(file);
  s->avStream = st;
  s->info = *info;
  *stream = s;
  return AVIERR_OK;
}

}  // extern "C"
