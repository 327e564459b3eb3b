// Live recording against ffmpeg's x11grab recording the same area with the
// same encoder (Motion JPEG, quantiser 4, 4:2:0; at 1080p 15 fps also x264,
// veryfast, rate factor 23, intra only) in the same run. Both run as
// child processes, one after the other in each round, and are measured the
// same way: the process's CPU time (every thread: the capture thread, the
// writer thread, the encoder's threads, the clock's waiting) and the frames
// that ffprobe finds in the file. Neither figure holds the X server's work
// (the screen reads it answers) nor the drawing of the recorded window,
// which runs in this parent process; from ours the cost of the same process
// sitting idle as long (loading, start-up) is taken off, as ffmpeg's start-up
// is small beside it. Prints, per case, medians and spreads over the rounds:
//   - CPU per frame, ours / ffmpeg (goal: at most 0.6);
//   - frames kept against 1000 / interval for both (goal: ours at least
//     0.995 at 1080p 20 fps, and at least ffmpeg's with a loaded core);
//   - peak memory of a 1080p recording above the same process idle (goal:
//     at most 50 MB);
// and where a frame's time goes, in a child of its own: the screen read, the
// conversion, the encoding and the rest of the write, per frame, beside the
// floor (the same encoder alone on the same frames already converted; goal:
// the recording within 1.3 times it at 1080p, with either encoder).
// The recorded window shows a picture that changes all the time, so both
// recorders have real work.
//
//   bench_recording [SECONDS] [ROUNDS] [FOLDER]   (default 6 s, 3 rounds, /tmp)
//   bench_recording --show SECONDS   only the moving picture; prints its window
//   bench_recording --record WINDOW FPS SECONDS FILE mjpeg|x264   one recording
//   needs DISPLAY; the screen must be at least 1920x1080.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "PlanarConvert.h"
#include "movie/AviMovieWriter.h"
#include "recording/parallelThreadData.h"
#include "vfw.h"
#include "win32/Text.h"
#include "win32/Threads.h"

namespace {

// A top-level window at (0, 0) repainted with a moving picture until stopped.
class Animation {
 public:
  bool start() {
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) return false;
    const int screen = DefaultScreen(m_display);
    m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 0, 0, 1920, 1080, 0, 0, 0);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(m_display, m_window, CWOverrideRedirect, &attributes);
    XMapRaised(m_display, m_window);
    XSync(m_display, False);
    XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
    XSync(m_display, False);
    m_thread = std::thread([this] { loop(); });
    return true;
  }
  // The window takes this size; the picture follows.
  void resize(int width, int height) {
    m_width = width;
    m_height = height;
    XResizeWindow(m_display, m_window, width, height);
    XSync(m_display, False);
  }
  void stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_display != nullptr) {
      XDestroyWindow(m_display, m_window);
      XCloseDisplay(m_display);
    }
  }
  Window window() const { return m_window; }

 private:
  void loop() {
    Display* display = XOpenDisplay(nullptr);
    const int screen = DefaultScreen(display);
    std::vector<char> pixels(static_cast<std::size_t>(1920) * 1080 * 4);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap, 0,
                                 pixels.data(), 1920, 1080, 32, 1920 * 4);
    GC gc = XCreateGC(display, m_window, 0, nullptr);
    for (int frame = 0; !m_stop; ++frame) {
      const int width = m_width, height = m_height;
      for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels.data()) + static_cast<std::size_t>(y) * 1920;
        for (int x = 0; x < width; ++x) {
          const int u = x + frame * 7, v = y + frame * 3;
          row[x] = (static_cast<std::uint32_t>((u ^ v) & 0xFF) << 16) | (static_cast<std::uint32_t>(v & 0xFF) << 8) |
                   static_cast<std::uint32_t>((u / 4) & 0xFF);
        }
      }
      XPutImage(display, m_window, gc, image, 0, 0, 0, 0, width, height);
      XSync(display, False);
      usleep(25000);
    }
    image->data = nullptr;
    XDestroyImage(image);
    XFreeGC(display, gc);
    XCloseDisplay(display);
  }

  Display* m_display = nullptr;
  Window m_window = 0;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_width{1920}, m_height{1080};
};

int CountFrames(const std::string& path) {
  const std::string command =
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
      "-of csv=p=0 '" +
      path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  int frames = -1;
  if (std::fscanf(pipe, "%d", &frames) != 1) frames = -1;
  pclose(pipe);
  return frames;
}

struct ChildUsage {
  double cpuSeconds = 0;
  long maxRssKb = 0;
  bool ok = false;
};

ChildUsage RunChild(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  ChildUsage result;
  result.cpuSeconds =
      usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  result.maxRssKb = usage.ru_maxrss;
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

// A second process that keeps one core busy at a lower priority.
pid_t StartLoad() {
  const pid_t child = fork();
  if (child == 0) {
    setpriority(PRIO_PROCESS, 0, 10);
    volatile unsigned long spin = 0;
    for (;;) spin = spin + 1;
  }
  return child;
}

void StopLoad(pid_t load) {
  if (load <= 0) return;
  kill(load, SIGKILL);
  waitpid(load, nullptr, 0);
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The two compressors the goals name, each as the recording dialog offers
// it by default: Motion JPEG at quality 9000 (quantiser 4) and x264 at its
// default quality 5500 (constant rate factor 23), every frame a key frame.
enum class Codec { Mjpeg, X264 };

struct Case {
  int width, height, fps;
  bool loaded;
  Codec codec = Codec::Mjpeg;
};

const char* CodecName(Codec codec) { return codec == Codec::Mjpeg ? "mjpeg" : "x264"; }

Codec CodecNamed(const char* name) { return std::strcmp(name, "x264") == 0 ? Codec::X264 : Codec::Mjpeg; }

// ffmpeg's encoder options for the same settings as ours.
std::vector<std::string> PeerEncoder(Codec codec) {
  if (codec == Codec::X264)
    return {"-c:v", "libx264", "-preset", "veryfast", "-bf", "0", "-crf", "23", "-g", "1", "-pix_fmt", "yuv420p"};
  return {"-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "4"};
}

struct Sample {
  double cpuPerFrameMs = 0;
  double kept = 0;
  long maxRssKb = 0;
};

struct Stats {
  double median = 0, low = 0, high = 0;
};

Stats Summarise(std::vector<double> values) {
  Stats s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  s.median = values[values.size() / 2];
  s.low = values.front();
  s.high = values.back();
  return s;
}

// The recording itself, in a child process: records `window` for `seconds`
// and exits; with --idle it only sleeps as long, for the memory baseline.
int RecordChild(char** argv) {
  const auto window = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
  const int fps = std::atoi(argv[3]);
  const int seconds = std::atoi(argv[4]);
  const std::string file = argv[5];
  const Codec codec = CodecNamed(argv[6]);
  if (std::strcmp(argv[1], "--idle") == 0) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
  }
  VideoRecordingParams params;
  const CaptureTarget target(u"screen", reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)));
  params.window = target.window;
  params.frameFormat = target.frameFormat;
  params.filePath = OdString(win32::FromUtf8(file));
  params.fps = fps;
  params.startDelay = 0;
  params.codecInfo.fccHandler = codec == Codec::Mjpeg ? MAKEFOURCC('M', 'J', 'P', 'G') : MAKEFOURCC('H', '2', '6', '4');
  params.quality = codec == Codec::Mjpeg ? 9000 : 5500;
  g_recorder.prepare(params);
  HANDLE thread = CreateThread(nullptr, 0, &CaptureThreadProc, &g_recorder, CREATE_SUSPENDED, nullptr);
  g_captureThread = thread;
  ResumeThread(thread);
  // The recording's time runs from its first frame, as ffmpeg's -t does:
  // opening the file and the encoder comes before it.
  while (!g_recorder.running() && WaitForSingleObject(thread, 1) == WAIT_TIMEOUT) {}
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  g_recorder.m_stop = true;
  WaitForSingleObject(thread, INFINITE);
  return g_recorder.failed() ? 1 : 0;
}

double CpuMs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Where a frame's CPU time goes, in this (child) process, in three phases so
// that the encoders' threads of one phase cannot run into the next:
//   1. `frames` frames of the screen's top left width x height, each read
//      into a frame bitmap as the recorder reads it (the grab: this thread's
//      time) and written by the recorder's writer: conversion, encoding, AVI
//      write (the process's time, every thread, the encoder flushed);
//   2. the last frame converted alone, as often (this thread's time);
//   3. the converted frame encoded alone by the same encoder at the same
//      settings and threads (the process's time, flushed): the floor. Both
//      encoders make every frame a key frame, so the same picture over and
//      over costs what the changing ones do;
//   4. the same again, but one frame each interval, as a recording gives
//      them to the encoder: an encoder woken every 50 ms beside a screen
//      being redrawn finds its caches cold and costs more than one encoding
//      back to back.
// Prints: grab convert encode write paced, in ms per frame (write: phase 1
// less the grab, the conversion and the floor).
int StagesChild(int width, int height, int frames, const std::string& file, Codec codec) {
  const int fps = codec == Codec::Mjpeg ? 20 : 15;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP frame = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (screen == nullptr || memory == nullptr || frame == nullptr) return 1;
  HGDIOBJ previous = SelectObject(memory, frame);
  double grab = 0;
  const double recordStart = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
  {
    AviMovieWriter writer(win32::FromUtf8(file).c_str(),
                          codec == Codec::Mjpeg ? MAKEFOURCC('M', 'J', 'P', 'G') : MAKEFOURCC('H', '2', '6', '4'), fps,
                          codec == Codec::Mjpeg ? 9000 : 5500);
    for (int i = 0; i < frames; ++i) {
      const double t = CpuMs(CLOCK_THREAD_CPUTIME_ID);
      BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
      grab += CpuMs(CLOCK_THREAD_CPUTIME_ID) - t;
      if (FAILED(writer.appendFrame(frame))) return 1;
    }
  }  // the encoder flushed, the file completed
  const double recorded = CpuMs(CLOCK_PROCESS_CPUTIME_ID) - recordStart;

  // The encoder as the recorder opens it for this compressor.
  const AVCodec* encoderCodec = avcodec_find_encoder_by_name(codec == Codec::Mjpeg ? "mjpeg" : "libx264");
  if (encoderCodec == nullptr) return 1;
  const auto openEncoder = [&]() -> AVCodecContext* {
    AVCodecContext* context = avcodec_alloc_context3(encoderCodec);
    context->width = width;
    context->height = height;
    context->time_base = {1, fps};
    context->framerate = {fps, 1};
    context->thread_count = codec == Codec::Mjpeg ? 1 : 0;  // as the recorder's
    context->gop_size = 1;
    context->keyint_min = 1;
    AVDictionary* options = nullptr;
    if (codec == Codec::Mjpeg) {
      context->pix_fmt = AV_PIX_FMT_YUVJ420P;
      context->color_range = AVCOL_RANGE_JPEG;
      context->flags |= AV_CODEC_FLAG_QSCALE;
      context->global_quality = FF_QP2LAMBDA * 4;
    } else {
      context->pix_fmt = AV_PIX_FMT_YUV420P;
      context->color_range = AVCOL_RANGE_MPEG;
      av_dict_set(&options, "preset", "veryfast", 0);
      av_dict_set(&options, "bf", "0", 0);
      av_dict_set(&options, "crf", "23", 0);
    }
    const bool opened = avcodec_open2(context, encoderCodec, &options) >= 0;
    av_dict_free(&options);
    if (!opened) avcodec_free_context(&context);
    return context;
  };
  AVCodecContext* encoder = openEncoder();
  AVFrame* picture = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  if (encoder == nullptr) return 1;
  picture->format = encoder->pix_fmt;
  picture->width = width;
  picture->height = height;
  if (av_frame_get_buffer(picture, 0) < 0) return 1;
  const PlanarPicture planes{{picture->data[0], picture->data[1], picture->data[2]},
                             {picture->linesize[0], picture->linesize[1], picture->linesize[2]}};
  bool topDown = false;
  win32::DibRowsTopDown(bits, &topDown);
  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(width) * 4;
  const auto* rows = static_cast<const std::uint8_t*>(bits);
  const double t = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  for (int i = 0; i < frames; ++i)
    ConvertToYuv420(topDown ? rows : rows + (height - 1) * stride, topDown ? stride : -stride, 32, width, height,
                    codec == Codec::Mjpeg, planes);
  const double convert = CpuMs(CLOCK_THREAD_CPUTIME_ID) - t;
  // The encoder's CPU time for `frames` frames, sent back to back or one
  // each interval, flushed.
  const auto encodeAll = [&](bool paced) {
    const double start = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    auto due = std::chrono::steady_clock::now();
    for (int i = 0; i <= frames; ++i) {
      if (paced) std::this_thread::sleep_until(due += std::chrono::milliseconds(1000 / fps));
      // The same picture each time: the encoder takes a reference of its own.
      picture->pts = i;
      picture->quality = encoder->global_quality;
      avcodec_send_frame(encoder, i < frames ? picture : nullptr);
      while (avcodec_receive_packet(encoder, packet) == 0) av_packet_unref(packet);
    }
    return CpuMs(CLOCK_PROCESS_CPUTIME_ID) - start;
  };
  const double encode = encodeAll(false);
  // A flushed encoder takes no more frames: the paced run gets one of its own.
  avcodec_free_context(&encoder);
  encoder = openEncoder();
  if (encoder == nullptr) return 1;
  const double paced = encodeAll(true);
  SelectObject(memory, previous);
  std::printf("%.3f %.3f %.3f %.3f %.3f\n", grab / frames, convert / frames, encode / frames,
              (recorded - grab - convert - encode) / frames, paced / frames);
  av_packet_free(&packet);
  av_frame_free(&picture);
  avcodec_free_context(&encoder);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 7 && (std::strcmp(argv[1], "--record") == 0 || std::strcmp(argv[1], "--idle") == 0))
    return RecordChild(argv);
  if (argc == 7 && std::strcmp(argv[1], "--stages") == 0)
    return StagesChild(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5], CodecNamed(argv[6]));
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 6;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string folder = argc > 3 ? argv[3] : "/tmp";
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr) {
    std::fprintf(stderr, "bench_recording needs an X server (DISPLAY)\n");
    return 2;
  }
  // Only the moving picture, for a profiler's run of one child by hand.
  if (argc == 3 && std::strcmp(argv[1], "--show") == 0) {
    Animation animation;
    if (!animation.start()) return 2;
    std::printf("%lu\n", static_cast<unsigned long>(animation.window()));
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
    animation.stop();
    return 0;
  }
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 2;
  Animation animation;
  if (!animation.start()) return 2;
  const std::string windowId = std::to_string(animation.window());
  std::printf("load average at start: %s\n", LoadAverage().c_str());

  // The first three and the last are also the rows of where the time goes.
  const std::vector<Case> cases = {{1920, 1080, 20, false},
                                   {1280, 720, 20, false},
                                   {640, 360, 20, false},
                                   {1920, 1080, 30, false},
                                   {1920, 1080, 20, true},
                                   {1920, 1080, 30, true},
                                   {1920, 1080, 15, false, Codec::X264}};
  const std::vector<std::size_t> stageCases = {0, 1, 2, cases.size() - 1};
  std::vector<std::vector<Sample>> ours(cases.size()), theirs(cases.size());
  std::vector<long> idleRss;
  std::vector<double> idleCpu;
  // The idle process of the round before the first round's cases.
  idleCpu.push_back(
      RunChild({self, "--idle", windowId, "20", std::to_string(seconds), "/dev/null", "mjpeg"}).cpuSeconds);
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t c = 0; c < cases.size(); ++c) {
      const Case& k = cases[c];
      animation.resize(k.width, k.height);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      const std::string size = std::to_string(k.width) + "x" + std::to_string(k.height);
      const double due = seconds * 1000.0 / (1000 / k.fps);
      // Ours and the peer one after the other, in turn first.
      for (int turn = 0; turn < 2; ++turn) {
        const bool oursNow = (turn == 0) == (round % 2 == 0);
        const pid_t load = k.loaded ? StartLoad() : 0;
        if (oursNow) {
          const std::string file = folder + "/bench_recording_ours.avi";
          std::remove(file.c_str());  // a recording that writes nothing must not count the last one's frames
          const ChildUsage usage = RunChild(
              {self, "--record", windowId, std::to_string(k.fps), std::to_string(seconds), file, CodecName(k.codec)});
          StopLoad(load);
          const int frames = CountFrames(file);
          if (!usage.ok || frames <= 0) std::printf("  ours failed: %s %d fps\n", size.c_str(), k.fps);
          ours[c].push_back(
              {frames > 0 ? (usage.cpuSeconds - idleCpu.back()) * 1000 / frames : 0, frames / due, usage.maxRssKb});
        } else {
          const std::string file = folder + "/bench_recording_ffmpeg.avi";
          std::remove(file.c_str());
          std::vector<std::string> command = {"ffmpeg",
                                              "-hide_banner",
                                              "-loglevel",
                                              "error",
                                              "-y",
                                              "-f",
                                              "x11grab",
                                              "-framerate",
                                              std::to_string(k.fps),
                                              "-video_size",
                                              size,
                                              "-i",
                                              std::string(display) + "+0,0",
                                              "-t",
                                              std::to_string(seconds),
                                              "-fps_mode",
                                              "vfr"};
          for (const std::string& option : PeerEncoder(k.codec)) command.push_back(option);
          command.push_back(file);
          const ChildUsage usage = RunChild(command);
          StopLoad(load);
          const int frames = CountFrames(file);
          if (!usage.ok || frames <= 0) std::printf("  ffmpeg failed: %s %d fps\n", size.c_str(), k.fps);
          theirs[c].push_back(
              {frames > 0 ? usage.cpuSeconds * 1000 / frames : 0, frames / (seconds * double(k.fps)), usage.maxRssKb});
        }
      }
    }
    animation.resize(1920, 1080);
    const ChildUsage idle = RunChild({self, "--idle", windowId, "20", std::to_string(seconds), "/dev/null", "mjpeg"});
    idleRss.push_back(idle.maxRssKb);
    idleCpu.push_back(idle.cpuSeconds);
    std::printf("round %d done, load average %s\n", round + 1, LoadAverage().c_str());
    std::fflush(stdout);
  }
  // Where the time goes, at the three sizes, each in rounds of its own.
  std::vector<std::vector<std::vector<double>>> stages(cases.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t c : stageCases) {
      animation.resize(cases[c].width, cases[c].height);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      const std::string command = "'" + std::string(self) + "' --stages " + std::to_string(cases[c].width) + " " +
                                  std::to_string(cases[c].height) + " 60 '" + folder + "/bench_recording_stages.avi' " +
                                  CodecName(cases[c].codec);
      FILE* pipe = popen(command.c_str(), "r");
      std::vector<double> values(5, 0.0);
      if (pipe == nullptr ||
          std::fscanf(pipe, "%lf %lf %lf %lf %lf", &values[0], &values[1], &values[2], &values[3], &values[4]) != 5)
        std::printf("  stages failed: %dx%d\n", cases[c].width, cases[c].height);
      if (pipe != nullptr) pclose(pipe);
      stages[c].push_back(values);
    }
  }
  animation.stop();

  std::printf("\n%-22s %-24s %-24s %-6s %-20s %-20s\n", "case", "CPU/frame ours ms", "CPU/frame ffmpeg ms", "ratio",
              "kept ours", "kept ffmpeg");
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const Case& k = cases[c];
    std::vector<double> oc, tc, ratio, ok, tk;
    for (std::size_t r = 0; r < ours[c].size() && r < theirs[c].size(); ++r) {
      oc.push_back(ours[c][r].cpuPerFrameMs);
      tc.push_back(theirs[c][r].cpuPerFrameMs);
      ratio.push_back(tc.back() > 0 ? oc.back() / tc.back() : 0);
      ok.push_back(ours[c][r].kept);
      tk.push_back(theirs[c][r].kept);
    }
    const Stats o = Summarise(oc), t = Summarise(tc), q = Summarise(ratio), ko = Summarise(ok), kt = Summarise(tk);
    char name[64];
    std::snprintf(name, sizeof name, "%dx%d %d fps%s%s", k.width, k.height, k.fps, k.loaded ? " loaded" : "",
                  k.codec == Codec::X264 ? " x264" : "");
    std::printf(
        "%-22s %6.1f (%5.1f-%5.1f)      %6.1f (%5.1f-%5.1f)      %5.2f  %5.3f (%5.3f-%5.3f)  %5.3f (%5.3f-%5.3f)\n",
        name, o.median, o.low, o.high, t.median, t.low, t.high, q.median, ko.median, ko.low, ko.high, kt.median, kt.low,
        kt.high);
  }
  std::printf("\nwhere a frame's CPU time goes (ms per frame, medians; our process only, every thread):\n");
  std::printf("%-15s %7s %8s %7s %7s %7s | %7s %7s %7s | %10s %10s %12s\n", "size", "grab", "convert", "encode",
              "write", "ours", "ffmpeg", "floor", "paced", "ours/floor", "ours/paced", "stages/floor");
  for (std::size_t c : stageCases) {
    std::vector<double> column[5];
    for (const auto& v : stages[c])
      for (int k = 0; k < 5; ++k) column[k].push_back(v[k]);
    double m[5];
    for (int k = 0; k < 5; ++k) m[k] = Summarise(column[k]).median;
    std::vector<double> oc, tc;
    for (const auto& o : ours[c]) oc.push_back(o.cpuPerFrameMs);
    for (const auto& t : theirs[c]) tc.push_back(t.cpuPerFrameMs);
    const double o = Summarise(oc).median, t = Summarise(tc).median;
    std::printf("%4dx%-5d %-5s %7.2f %8.2f %7.2f %7.2f %7.2f | %7.2f %7.2f %7.2f | %10.2f %10.2f %12.2f\n",
                cases[c].width, cases[c].height, CodecName(cases[c].codec), m[0], m[1], m[2], m[3], o, t, m[2], m[4],
                m[2] > 0 ? o / m[2] : 0, m[4] > 0 ? o / m[4] : 0, m[2] > 0 ? (m[0] + m[1] + m[2] + m[3]) / m[2] : 0);
  }
  std::printf(
      "grab: the screen read into the frame bitmap (the X server's own copy not counted); convert: BGRX to\n"
      "4:2:0; encode = floor: the same encoder at the same settings alone (Motion JPEG at 20 fps, x264 at 15,\n"
      "their highest offered rates) on the frame already converted, frames back to back, every encoder thread;\n"
      "paced: the same, one frame each interval as in a recording (the encoder's caches go cold between\n"
      "frames); write: the rest of writing the frame (the AVI file, the picture handed over); ours: the whole\n"
      "recording's CPU per frame from the table above (idle process taken off; the clock and the threads too);\n"
      "ffmpeg: its x11grab recording's, all in. Goal: ours within 1.3 of the encoder alone at 1080p, for both\n"
      "encoders.\n\n");
  std::vector<double> rss;
  for (const auto& s : ours[0]) rss.push_back(s.maxRssKb / 1024.0);
  std::vector<double> idle;
  for (long kb : idleRss) idle.push_back(kb / 1024.0);
  const Stats r = Summarise(rss), i = Summarise(idle);
  std::printf("peak memory, 1080p recording: %.1f MB (idle process %.1f MB): %.1f MB above idle\n", r.median, i.median,
              r.median - i.median);
  std::printf("load average at end: %s\n", LoadAverage().c_str());
  return 0;
}
