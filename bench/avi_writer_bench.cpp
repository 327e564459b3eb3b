// Throughput of AviMovieWriter for 1920x1080 32-bit frames, uncompressed,
// with Motion JPEG and with H.264, against the ffmpeg command line encoding
// the same raw frames with the same encoder settings into AVI in the same
// run, and (uncompressed) against a plain sequential write of the same bytes
// to the same disk. Prints frames per second and the ratios; the goal is at
// least 0.9 for each.
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

#include "recording/AviMovieWriter.h"
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
  void keepBest(const Speed& other) {
    wall = std::max(wall, other.wall);
    cpu = std::max(cpu, other.cpu);
  }
};

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

// Speed of the ffmpeg command line fed the same frames (top row first, as
// raw video is) through a pipe; its CPU time is the child's alone.
Speed RunFfmpeg(const std::string& path, const std::string& encoder, int count,
                 const std::vector<std::vector<BYTE>>& frames) {
  const std::string command = "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt bgra -s " +
                              std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -r 15 -i - " + encoder +
                              " -f avi '" + path + "'";
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
  FILE* pipe = popen(command.c_str(), "w");
  if (!pipe) return {};
  const size_t rowBytes = static_cast<size_t>(kWidth) * 4;
  for (int i = 0; i < count; ++i) {
    const BYTE* bits = frames[i % kDistinctFrames].data();
    for (LONG y = kHeight - 1; y >= 0; --y) std::fwrite(bits + y * rowBytes, 1, rowBytes, pipe);
  }
  if (pclose(pipe) != 0) return {};
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
  std::printf("%d frames of %ldx%ld, 32 bits, best of %d rounds\n", count, static_cast<long>(kWidth),
              static_cast<long>(kHeight), kRounds);
  bool met = true, cpuMet = true;
  for (const Case& c : cases) {
    Speed writer, ffmpeg, direct;
    for (int round = 0; round < kRounds; ++round) {
      // Each run starts without its old file, so no run pays for freeing
      // the last one's blocks.
      std::remove(ours.c_str());
      std::remove(theirs.c_str());
      std::remove(plain.c_str());
      writer.keepBest(RunWriter(ours, c.codec, count, frames));
      ffmpeg.keepBest(RunFfmpeg(theirs, c.ffmpegEncoder, count, frames));
      if (c.codec == 0) direct.keepBest(RunPlainWrite(plain, count, frames));
    }
    const double ratio = ffmpeg.wall > 0 ? writer.wall / ffmpeg.wall : 0;
    const double cpuRatio = ffmpeg.cpu > 0 ? writer.cpu / ffmpeg.cpu : 0;
    // Equal settings give files of about the same size.
    std::printf("%s\n  writer %6.1f fps (%6.1f per CPU s) %7.1f MB | ffmpeg %6.1f fps (%6.1f per CPU s) %7.1f MB"
                " | ratio %.2f, CPU %.2f\n",
                c.name, writer.wall, writer.cpu, FileMegabytes(ours), ffmpeg.wall, ffmpeg.cpu, FileMegabytes(theirs),
                ratio, cpuRatio);
    met = met && ratio >= 0.9;
    cpuMet = cpuMet && cpuRatio >= 0.9;
    if (c.codec == 0) {
      const double plainRatio = direct.wall > 0 ? writer.wall / direct.wall : 0;
      std::printf("  plain write %6.1f fps | ratio %.2f\n", direct.wall, plainRatio);
      met = met && plainRatio >= 0.9;
    }
  }
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  std::remove(plain.c_str());
  std::printf("goal (every wall-time ratio >= 0.9): %s; against ffmpeg in CPU time: %s\n", met ? "met" : "not met",
              cpuMet ? "met" : "not met");
  return 0;
}
