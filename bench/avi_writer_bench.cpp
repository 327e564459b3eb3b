// Throughput of AviMovieWriter for 1920x1080 32-bit frames, uncompressed,
// with Motion JPEG and with H.264, against the ffmpeg command line encoding
// the same raw frames, read from a file, with the same encoder settings into
// AVI in the same run, and (uncompressed) against a plain sequential write of
// the same bytes to the same disk. Prints frames per second and the ratios;
// the goal is at least 0.9 for each.
//
//   bench_avi_writer [FOLDER] [FRAMES]   (default /tmp, 60 frames)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "movie/AviMovieWriter.h"
#include "win32/Gdi.h"
#include "win32/Text.h"

namespace {

constexpr LONG kWidth = 1920, kHeight = 1080;
constexpr size_t kFrameBytes = static_cast<size_t>(kWidth) * kHeight * 4;
constexpr int kDistinctFrames = 8;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// CPU seconds used so far by this process (all its threads) or by its
// finished children.
double CpuSeconds(int who) {
  rusage ru{};
  getrusage(who, &ru);
  return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Frames per second of wall time, and per second of CPU time: on a machine
// shared with other work the second is the steadier comparison.
struct Speed {
  double wall = 0;
  double cpu = 0;
};

// Median, lowest and highest of the rounds.
struct Spread {
  double median = 0, low = 0, high = 0;
};

Spread Summarise(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

void SyncFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// Bottom-up DIB rows of a scene with gradients, bars and a moving block: a
// picture an encoder has real work with, as a screen recording is.
std::vector<std::vector<BYTE>> MakeFrames() {
  std::vector<std::vector<BYTE>> frames(kDistinctFrames, std::vector<BYTE>(kFrameBytes));
  for (int f = 0; f < kDistinctFrames; ++f) {
    BYTE* bits = frames[f].data();
    for (LONG y = 0; y < kHeight; ++y) {
      BYTE* row = bits + static_cast<size_t>(kHeight - 1 - y) * kWidth * 4;
      for (LONG x = 0; x < kWidth; ++x) {
        BYTE* p = row + x * 4;
        const bool block = x >= 200 + f * 40 && x < 600 + f * 40 && y >= 300 && y < 700;
        p[0] = block ? 30 : static_cast<BYTE>(x / 8 + f * 5);
        p[1] = block ? 200 : static_cast<BYTE>(y / 5 + ((x / 120) % 2) * 60);
        p[2] = static_cast<BYTE>((x ^ y) & 0x3F) + static_cast<BYTE>(f * 9);
        p[3] = 0;
      }
    }
  }
  return frames;
}

// Speed of the writer, file completed and flushed to disk.
Speed RunWriter(const std::string& path, DWORD codec, int count, const std::vector<std::vector<BYTE>>& frames) {
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return {};
  // Painting the next picture into the bitmap is the caller's work, not the
  // writer's, and is left out of the time.
  Clock::duration spent{};
  double cpu = 0;
  {
    auto start = Clock::now();
    double cpuStart = CpuSeconds(RUSAGE_SELF);
    AviMovieWriter writer(win32::FromUtf8(path).c_str(), codec, 15, -1);
    for (int i = 0; i < count; ++i) {
      spent += Clock::now() - start;
      cpu += CpuSeconds(RUSAGE_SELF) - cpuStart;
      std::memcpy(bits, frames[i % kDistinctFrames].data(), kFrameBytes);
      start = Clock::now();
      cpuStart = CpuSeconds(RUSAGE_SELF);
      if (FAILED(writer.appendFrame(bitmap))) {
        std::fprintf(stderr, "writer: %s\n", win32::ToUtf8(writer.lastErrorText()).c_str());
        DeleteObject(bitmap);
        return {};
      }
    }
    start = Clock::now();
    cpuStart = CpuSeconds(RUSAGE_SELF);
    writer.releaseStreams();  // completes the file
    SyncFile(path);
    spent += Clock::now() - start;
    cpu += CpuSeconds(RUSAGE_SELF) - cpuStart;
  }
  DeleteObject(bitmap);
  return {count / std::chrono::duration<double>(spent).count(), count / cpu};
}

// The same frames as raw video (top row first), in a file that ffmpeg
// reads as it would read any input; written once, outside every timing.
bool WriteRawFile(const std::string& path, int count, const std::vector<std::vector<BYTE>>& frames) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const size_t rowBytes = static_cast<size_t>(kWidth) * 4;
  for (int i = 0; i < count; ++i) {
    const BYTE* bits = frames[i % kDistinctFrames].data();
    for (LONG y = kHeight - 1; y >= 0; --y) std::fwrite(bits + y * rowBytes, 1, rowBytes, file);
  }
  const bool ok = std::fclose(file) == 0;
  SyncFile(path);
  return ok;
}

// Speed of the ffmpeg command line encoding the raw file; its CPU time is
// the child's alone.
Speed RunFfmpeg(const std::string& path, const std::string& encoder, int count, const std::string& raw) {
  const std::string command = "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt bgra -s " +
                              std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -r 15 -i '" + raw + "' " +
                              encoder + " -f avi '" + path + "'";
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
  if (std::system(command.c_str()) != 0) return {};
  SyncFile(path);
  const double wall = Seconds(start);
  return {count / wall, count / (CpuSeconds(RUSAGE_CHILDREN) - cpuStart)};
}

// Speed of writing the frame bytes straight to a file.
Speed RunPlainWrite(const std::string& path, int count, const std::vector<std::vector<BYTE>>& frames) {
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds(RUSAGE_SELF);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return {};
  for (int i = 0; i < count; ++i) {
    const BYTE* bits = frames[i % kDistinctFrames].data();
    size_t done = 0;
    while (done < kFrameBytes) {
      ssize_t n = ::write(fd, bits + done, kFrameBytes - done);
      if (n <= 0) {
        ::close(fd);
        return {};
      }
      done += static_cast<size_t>(n);
    }
  }
  ::fsync(fd);
  ::close(fd);
  return {count / Seconds(start), count / (CpuSeconds(RUSAGE_SELF) - cpuStart)};
}

double FileMegabytes(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size / 1e6 : 0;
}

struct Case {
  const char* name;
  DWORD codec;
  // The writer's settings for the compressor: quality from its default
  // (Motion JPEG 9000 -> qscale 4, x264 5500 -> crf 23), a key frame every
  // frame as the recorder asks, bicubic conversion as ffmpeg's default.
  const char* ffmpegEncoder;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
  const auto frames = MakeFrames();
  const Case cases[] = {
      {"uncompressed", 0, "-c:v rawvideo -pix_fmt bgra"},
      {"Motion JPEG", MAKEFOURCC('M', 'J', 'P', 'G'), "-c:v mjpeg -pix_fmt yuvj420p -q:v 4 -g 1"},
      {"H.264 (x264)", MAKEFOURCC('H', '2', '6', '4'),
       "-c:v libx264 -pix_fmt yuv420p -preset veryfast -crf 23 -bf 0 -g 1 -keyint_min 1"},
  };
  const std::string ours = folder + "/bench_writer.avi", theirs = folder + "/bench_ffmpeg.avi",
                    plain = folder + "/bench_plain.raw";
  const std::string raw = folder + "/bench_frames.bgra";
  if (!WriteRawFile(raw, count, frames)) return 1;
  std::printf("%d frames of %ldx%ld, 32 bits, medians (lowest-highest) of %d interleaved rounds\n", count,
              static_cast<long>(kWidth), static_cast<long>(kHeight), kRounds);
  bool met = true, cpuMet = true;
  for (const Case& c : cases) {
    std::vector<double> writerFps, ffmpegFps, wallRatios, cpuRatios, plainRatios;
    for (int round = 0; round < kRounds; ++round) {
      // Each run starts without its old file, so no run pays for freeing
      // the last one's blocks; the first to run alternates.
      std::remove(ours.c_str());
      std::remove(theirs.c_str());
      std::remove(plain.c_str());
      Speed writer, ffmpeg;
      if (round % 2 == 0) {
        writer = RunWriter(ours, c.codec, count, frames);
        ffmpeg = RunFfmpeg(theirs, c.ffmpegEncoder, count, raw);
      } else {
        ffmpeg = RunFfmpeg(theirs, c.ffmpegEncoder, count, raw);
        writer = RunWriter(ours, c.codec, count, frames);
      }
      writerFps.push_back(writer.wall);
      ffmpegFps.push_back(ffmpeg.wall);
      wallRatios.push_back(ffmpeg.wall > 0 ? writer.wall / ffmpeg.wall : 0);
      cpuRatios.push_back(ffmpeg.cpu > 0 ? writer.cpu / ffmpeg.cpu : 0);
      if (c.codec == 0) {
        const Speed direct = RunPlainWrite(plain, count, frames);
        plainRatios.push_back(direct.wall > 0 ? writer.wall / direct.wall : 0);
      }
    }
    const Spread w = Summarise(writerFps), f = Summarise(ffmpegFps), r = Summarise(wallRatios),
                 cr = Summarise(cpuRatios);
    std::printf(
        "%s\n  writer %6.1f fps (%.1f-%.1f) %7.1f MB | ffmpeg %6.1f fps (%.1f-%.1f) %7.1f MB"
        " | ratio %.2f (%.2f-%.2f), CPU %.2f (%.2f-%.2f)\n",
        c.name, w.median, w.low, w.high, FileMegabytes(ours), f.median, f.low, f.high, FileMegabytes(theirs), r.median,
        r.low, r.high, cr.median, cr.low, cr.high);
    met = met && r.median >= 0.9;
    cpuMet = cpuMet && cr.median >= 0.9;
    if (c.codec == 0) {
      const Spread p = Summarise(plainRatios);
      std::printf("  against a plain write of the bytes: ratio %.2f (%.2f-%.2f)\n", p.median, p.low, p.high);
      met = met && p.median >= 0.9;
    }
  }
  std::remove(raw.c_str());
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  std::remove(plain.c_str());
  std::printf("goal (every wall-time ratio >= 0.9): %s; against ffmpeg in CPU time: %s\n", met ? "met" : "not met",
              cpuMet ? "met" : "not met");
  return 0;
}
