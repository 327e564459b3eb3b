// Runs the fuzz target over files named on the command line (a corpus
// replay), for builds without libFuzzer.
//
//   replay [-timeout=SECONDS] FILE_OR_FOLDER...
//
// Each input gets a limit of processor time (10 s unless -timeout says
// otherwise), as libFuzzer's -timeout gives each input: an input that makes
// the target spin ends the replay with its name and exit code 1, so a hang
// fails the test that replays the corpus instead of stalling it.
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The input being run, for the message of the time-limit handler (which may
// only call async-signal-safe functions, so the text is ready beforehand).
char g_current[4096];

void OnTimeLimit(int) {
  static const char kPrefix[] = "replay: input ran past its time limit (a hang): ";
  [[maybe_unused]] ssize_t n = write(STDERR_FILENO, kPrefix, sizeof kPrefix - 1);
  n = write(STDERR_FILENO, g_current, std::strlen(g_current));
  n = write(STDERR_FILENO, "\n", 1);
  _exit(1);
}

void SetTimer(long seconds) {
  itimerval timer{};
  timer.it_value.tv_sec = seconds;
  setitimer(ITIMER_PROF, &timer, nullptr);
}

void RunFile(const std::filesystem::path& path, long limit, int& count) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::snprintf(g_current, sizeof g_current, "%s", path.c_str());
  SetTimer(limit);
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  SetTimer(0);
  ++count;
}

}  // namespace

int main(int argc, char** argv) {
  long limit = 10;
  struct sigaction action {};
  action.sa_handler = OnTimeLimit;
  sigaction(SIGPROF, &action, nullptr);
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("-timeout=", 0) == 0) {
      char* end = nullptr;
      limit = std::strtol(arg.c_str() + 9, &end, 10);
      if (*end != '\0' || limit <= 0) {
        std::fprintf(stderr, "replay: bad time limit \"%s\"\n", arg.c_str());
        return 2;
      }
      continue;
    }
    const std::filesystem::path path(arg);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) RunFile(entry.path(), limit, count);
    } else {
      RunFile(path, limit, count);
    }
  }
  std::printf("replayed %d inputs\n", count);
  return 0;
}
