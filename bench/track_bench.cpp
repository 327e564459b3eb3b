// The video from a trajectory end to end (pchost flying along the spline
// A00 of the sample scene, Motion JPEG at the view's size) against the
// encoder alone on the same frames: ffmpeg encoding, with the same encoder
// settings, the frames of our own video decoded beforehand into a raw file.
// Ours is the time of the command, taken as pchost's time with the flight
// minus its time on the same script without it. Rounds alternate which goes
// first; prints medians, spreads and the ratio (goal: at least 0.9).
//
//   bench_track [ROUNDS] [FOLDER]   (default 3 rounds, /tmp); needs DISPLAY
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Each pchost gets a home of its own: Qt keeps the save dialog's last
// folder in the user's settings, which other programs change too.
std::string g_homes;
int g_homeCount = 0;

double Run(const std::vector<std::string>& arguments) {
  const std::string home = g_homes + "/home" + std::to_string(++g_homeCount);
  std::filesystem::create_directories(home);
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::filesystem::remove_all(home);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s\n", arguments[0].c_str());
    std::exit(1);
  }
  return seconds;
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  return out;
}

struct Stats {
  double median, low, high;
};

Stats Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front(), v.back()};
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 2;
  const std::string bin = std::string(self).substr(0, std::string(self).rfind('/'));
  const std::string pchost = bin + "/pchost";
  const std::string scene = bin + "/../samples/sample_scene.dxf";
  const std::string video = folder + "/bench_track.avi";
  const std::string flight = folder + "/bench_track_flight.script";
  const std::string idle = folder + "/bench_track_idle.script";
  std::ofstream(flight) << "VIDEO_FROM_TRACK\nhandle A00\ndialog press 502\ndialog set 1148 " << video
                        << "\ndialog press 1\ndialog select 503 Motion JPEG\ndialog select 505 15\n"
                           "dialog set 508 30\ndialog press 1\n";
  std::ofstream(idle) << "VIEWINFO\n";
  g_homes = folder + "/bench_track_homes";
  std::printf("load average at start: %s\n", LoadAverage().c_str());

  std::vector<double> oursFps, peerFps, ratios;
  int frames = 0;
  for (int round = 0; round < rounds; ++round) {
    double ours = 0, peer = 0;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (round % 2 == 0)) {
        const double with = Run({pchost, scene, "--script", flight});
        const double without = Run({pchost, scene, "--script", idle});
        frames = std::atoi(Capture("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                   "stream=nb_read_frames -of csv=p=0 '" +
                                   video + "'")
                               .c_str());
        ours = frames / std::max(1e-3, with - without);
      } else {
        if (frames <= 0) {
          // The peer needs our frames: make them first.
          Run({pchost, scene, "--script", flight});
          frames = std::atoi(Capture("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                     "stream=nb_read_frames -of csv=p=0 '" +
                                     video + "'")
                                 .c_str());
        }
        const std::string size = Capture(
            "ffprobe -v error -select_streams v:0 -show_entries stream=width,height "
            "-of csv=s=x:p=0 '" +
            video + "'");
        const std::string raw = folder + "/bench_track.bgra";
        Run({"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", video, "-f", "rawvideo", "-pix_fmt", "bgra",
             raw});
        const double seconds = Run({"ffmpeg",
                                    "-hide_banner",
                                    "-loglevel",
                                    "error",
                                    "-y",
                                    "-f",
                                    "rawvideo",
                                    "-pix_fmt",
                                    "bgra",
                                    "-s",
                                    size.substr(0, size.find('\n')),
                                    "-r",
                                    "15",
                                    "-i",
                                    raw,
                                    "-c:v",
                                    "mjpeg",
                                    "-pix_fmt",
                                    "yuvj420p",
                                    "-q:v",
                                    "4",
                                    folder + "/bench_track_peer.avi"});
        peer = frames / seconds;
        std::remove(raw.c_str());
      }
    }
    oursFps.push_back(ours);
    peerFps.push_back(peer);
    ratios.push_back(ours / peer);
    std::printf("round %d: ours %.1f fps, encoder alone %.1f fps, load average %s\n", round + 1, ours, peer,
                LoadAverage().c_str());
  }
  const Stats o = Summarise(oursFps), p = Summarise(peerFps), r = Summarise(ratios);
  std::printf(
      "video from a trajectory, %d frames: %.1f fps (%.1f-%.1f); encoder alone %.1f fps (%.1f-%.1f); "
      "ratio %.2f (%.2f-%.2f)\n",
      frames, o.median, o.low, o.high, p.median, p.low, p.high, r.median, r.low, r.high);
  return 0;
}
