// Live recording of a 1920x1080 screen at 20 frames per second against
// ffmpeg's x11grab recording the same area with the same encoder in the same
// run. Prints two ratios:
//   - frames achieved against 1000 / interval (the goal: at least 0.98);
//   - the time a frame costs inside onTick (grab, convert, encode, write)
//     against ffmpeg's CPU time per frame (the goal: at most 1.0).
// The screen shows a full-screen window whose picture changes all the time,
// so both recorders have real work.
//
//   bench_recording [SECONDS] [FOLDER]   (default 30 s, /tmp); needs DISPLAY
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "recording/parallelThreadData.h"
#include "vfw.h"
#include "win32/Text.h"
#include "win32/Threads.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kFps = 20;
using Clock = std::chrono::steady_clock;

// Times every frame the recorder produces.
class TimedRecorder final : public parallelThreadData {
 public:
  void onTick() override {
    const auto start = Clock::now();
    parallelThreadData::onTick();
    busy += Clock::now() - start;
    ++ticks;
  }
  Clock::duration busy{};
  int ticks = 0;
};

// A full-screen window repainted with a moving picture until stopped.
class Animation {
 public:
  bool start() {
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) return false;
    const int screen = DefaultScreen(m_display);
    m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 0, 0, kWidth, kHeight, 0, 0, 0);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(m_display, m_window, CWOverrideRedirect, &attributes);
    XMapRaised(m_display, m_window);
    XSync(m_display, False);
    usleep(200000);
    XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
    XSync(m_display, False);
    m_thread = std::thread([this] { loop(); });
    return true;
  }
  void stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_display != nullptr) {
      XDestroyWindow(m_display, m_window);
      XCloseDisplay(m_display);
    }
  }
  HWND window() const { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(m_window)); }

 private:
  void loop() {
    Display* display = XOpenDisplay(nullptr);
    const int screen = DefaultScreen(display);
    std::vector<char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap, 0,
                                 pixels.data(), kWidth, kHeight, 32, kWidth * 4);
    GC gc = XCreateGC(display, m_window, 0, nullptr);
    for (int frame = 0; !m_stop; ++frame) {
      for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels.data()) + static_cast<std::size_t>(y) * kWidth;
        for (int x = 0; x < kWidth; ++x) {
          const int u = x + frame * 7, v = y + frame * 3;
          row[x] = (static_cast<std::uint32_t>((u ^ v) & 0xFF) << 16) | (static_cast<std::uint32_t>(v & 0xFF) << 8) |
                   static_cast<std::uint32_t>((u / 4) & 0xFF);
        }
      }
      XPutImage(display, m_window, gc, image, 0, 0, 0, 0, kWidth, kHeight);
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
};

int CountFrames(const std::string& path) {
  const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                              "-of csv=p=0 '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  int frames = -1;
  if (std::fscanf(pipe, "%d", &frames) != 1) frames = -1;
  pclose(pipe);
  return frames;
}

// ffmpeg recording the same area for the same time; returns its CPU seconds.
double RunFfmpeg(const std::string& output, int seconds) {
  const char* display = std::getenv("DISPLAY");
  const pid_t child = fork();
  if (child == 0) {
    const std::string input = std::string(display) + "+0,0";
    const std::string duration = std::to_string(seconds);
    execlp("ffmpeg", "ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "x11grab", "-framerate", "20",
           "-video_size", "1920x1080", "-i", input.c_str(), "-t", duration.c_str(), "-c:v", "mjpeg", "-pix_fmt",
           "yuvj420p", "-q:v", "4", "-g", "1", output.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench_recording needs an X server (DISPLAY)\n");
    return 2;
  }
  Animation animation;
  if (!animation.start()) return 2;

  static TimedRecorder recorder;
  VideoRecordingParams params;
  const CaptureTarget target(u"screen", animation.window());
  params.window = target.window;
  params.frameFormat = target.frameFormat;
  params.filePath = OdString(win32::FromUtf8(folder + "/bench_recording.avi"));
  params.fps = kFps;
  params.startDelay = 0;
  params.codecInfo.fccHandler = MAKEFOURCC('M', 'J', 'P', 'G');
  params.quality = 9000;  // the compressor's default, the same as ffmpeg's -q:v 4
  recorder.prepare(params);
  HANDLE thread = CreateThread(nullptr, 0, &CaptureThreadProc, &recorder, CREATE_SUSPENDED, nullptr);
  g_captureThread = thread;
  ResumeThread(thread);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  recorder.m_stop = true;
  WaitForSingleObject(thread, INFINITE);

  const double expected = seconds * 1000.0 / (1000 / kFps);
  const int ours = static_cast<int>(recorder.framesWritten());
  const double oursPerFrame = recorder.ticks > 0
                                  ? std::chrono::duration<double>(recorder.busy).count() / recorder.ticks
                                  : 0;
  const std::string theirsPath = folder + "/bench_recording_ffmpeg.avi";
  const double ffmpegCpu = RunFfmpeg(theirsPath, seconds);
  const int theirs = CountFrames(theirsPath);
  animation.stop();

  const double theirsPerFrame = theirs > 0 ? ffmpegCpu / theirs : 0;
  std::printf("recorder: %d frames of %.0f due (ratio %.3f), %.2f ms a frame inside onTick%s\n", ours, expected,
              ours / expected, oursPerFrame * 1000, recorder.failed() ? " (FAILED)" : "");
  std::printf("ffmpeg x11grab: %d frames, %.2f ms CPU a frame\n", theirs, theirsPerFrame * 1000);
  std::printf("frame cost ratio (recorder / ffmpeg): %.2f\n", theirsPerFrame > 0 ? oursPerFrame / theirsPerFrame : 0);
  return 0;
}
