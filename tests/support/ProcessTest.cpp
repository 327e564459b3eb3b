// RunProcess: exit codes, a time limit the program cannot put off, signals,
// and a program that writes more than a pipe holds while the test waits in
// whileRunning for what it does after.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "Poll.h"
#include "Process.h"

namespace {

TEST(RunProcess, ExitCodesTimeLimitSignalsAndOutputDrainedWhileRunning) {
  const pcvr_test::TempDir dir;
  const std::string done = dir.str("done");
  struct Case {
    std::vector<std::string> argv;
    int timeoutSeconds;
    bool waitForDoneThenTerminate;
    int exitCode;
    std::string outputStart;
    std::size_t outputSize;
  };
  const Case cases[] = {
      {{"sh", "-c", "echo out; echo err >&2; exit 3"}, 60, false, 3, "out\nerr\n", 8},
      // Ignores SIGALRM, as it may after exec: the limit still ends it.
      {{"sh", "-c", "trap '' ALRM; exec sleep 600"}, 1, false, 124, "", 0},
      // 1 MB, then a file made: only a drained pipe lets it get that far.
      {{"sh", "-c", "head -c 1000000 /dev/zero; touch " + done + "; exec sleep 600"}, 600, true, 128 + SIGTERM,
       std::string(8, '\0'), 1000000},
      {{"no-such-program-here"}, 60, false, -1, "cannot start no-such-program-here", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argv.back());
    pcvr_test::ProcessOptions options;
    options.timeoutSeconds = c.timeoutSeconds;
    if (c.waitForDoneThenTerminate) {
      options.whileRunning = [&](pid_t pid) {
        EXPECT_TRUE(pcvr_test::WaitUntil([&] { return std::filesystem::exists(done); }));
        kill(pid, SIGTERM);
      };
    }
    const pcvr_test::ProcessRun run = pcvr_test::RunProcess(c.argv, options);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.output.substr(0, c.outputStart.size()), c.outputStart);
    if (c.outputSize > 0) {
      EXPECT_EQ(run.output.size(), c.outputSize);
    }
  }
}

}  // namespace
