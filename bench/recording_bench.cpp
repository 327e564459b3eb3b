// Live recording against ffmpeg's x11grab recording the same area with the
// same encoder (Motion JPEG, quantiser 4, 4:2:0) in the same run. Both run as
// child processes, one after the other in each round, and are measured the
// same way: the process's CPU time (every thread, the clock's waiting
// included) and the frames that ffprobe finds in the file. Prints, per case,
// medians and spreads over the rounds and the ratios:
//   - CPU per frame, ours / ffmpeg (goal: at most 1.0, and 0.9 at 1080p);
//   - frames kept against 1000 / interval for both (goal: ours at least 0.98
//     at 1080p 30 fps, and at least ffmpeg's with a loaded core);
//   - peak memory of a 1080p recording above the same process idle.
// The recorded window shows a picture that changes all the time, so both
// recorders have real work.
//
//   bench_recording [SECONDS] [ROUNDS] [FOLDER]   (default 6 s, 3 rounds, /tmp)
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
  const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                              "-of csv=p=0 '" + path + "' 2>/dev/null";
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

struct Case {
  int width, height, fps;
  bool loaded;
};

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
  params.codecInfo.fccHandler = MAKEFOURCC('M', 'J', 'P', 'G');
  params.quality = 9000;  // quantiser 4, as ffmpeg's -q:v 4
  g_recorder.prepare(params);
  HANDLE thread = CreateThread(nullptr, 0, &CaptureThreadProc, &g_recorder, CREATE_SUSPENDED, nullptr);
  g_captureThread = thread;
  ResumeThread(thread);
  // The recording's time runs from its first frame, as ffmpeg's -t does:
  // opening the file and the encoder comes before it.
  while (!g_recorder.running() && WaitForSingleObject(thread, 1) == WAIT_TIMEOUT) {
  }
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  g_recorder.m_stop = true;
  WaitForSingleObject(thread, INFINITE);
  return g_recorder.failed() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && (std::strcmp(argv[1], "--record") == 0 || std::strcmp(argv[1], "--idle") == 0))
    return RecordChild(argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 6;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string folder = argc > 3 ? argv[3] : "/tmp";
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr) {
    std::fprintf(stderr, "bench_recording needs an X server (DISPLAY)\n");
    return 2;
  }
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 2;
  Animation animation;
  if (!animation.start()) return 2;
  const std::string windowId = std::to_string(animation.window());
  std::printf("load average at start: %s\n", LoadAverage().c_str());

  const std::vector<Case> cases = {{1920, 1080, 20, false}, {1280, 720, 20, false}, {640, 360, 20, false},
                                   {1920, 1080, 30, false}, {1920, 1080, 20, true},  {1920, 1080, 30, true}};
  std::vector<std::vector<Sample>> ours(cases.size()), theirs(cases.size());
  std::vector<long> idleRss;
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
          const ChildUsage usage =
              RunChild({self, "--record", windowId, std::to_string(k.fps), std::to_string(seconds), file});
          StopLoad(load);
          const int frames = CountFrames(file);
          if (!usage.ok || frames <= 0) std::printf("  ours failed: %s %d fps\n", size.c_str(), k.fps);
          ours[c].push_back({frames > 0 ? usage.cpuSeconds * 1000 / frames : 0, frames / due, usage.maxRssKb});
        } else {
          const std::string file = folder + "/bench_recording_ffmpeg.avi";
          const ChildUsage usage = RunChild(
              {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "x11grab", "-framerate",
               std::to_string(k.fps), "-video_size", size, "-i", std::string(display) + "+0,0", "-t",
               std::to_string(seconds), "-fps_mode", "vfr", "-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v",
               "4", file});
          StopLoad(load);
          const int frames = CountFrames(file);
          if (!usage.ok || frames <= 0) std::printf("  ffmpeg failed: %s %d fps\n", size.c_str(), k.fps);
          theirs[c].push_back(
              {frames > 0 ? usage.cpuSeconds * 1000 / frames : 0, frames / (seconds * double(k.fps)), usage.maxRssKb});
        }
      }
    }
    animation.resize(1920, 1080);
    idleRss.push_back(RunChild({self, "--idle", windowId, "20", "1", "/dev/null"}).maxRssKb);
    std::printf("round %d done, load average %s\n", round + 1, LoadAverage().c_str());
    std::fflush(stdout);
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
    std::snprintf(name, sizeof name, "%dx%d %d fps%s", k.width, k.height, k.fps, k.loaded ? " loaded" : "");
    std::printf("%-22s %6.1f (%5.1f-%5.1f)      %6.1f (%5.1f-%5.1f)      %5.2f  %5.3f (%5.3f-%5.3f)  %5.3f (%5.3f-%5.3f)\n",
                name, o.median, o.low, o.high, t.median, t.low, t.high, q.median, ko.median, ko.low, ko.high,
                kt.median, kt.low, kt.high);
  }
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
