// RunProcess: exit codes, a time limit the program cannot put off, signals,
// and a program that writes more than a pipe holds while the test waits in
// whileRunning for what it does after.
#include <gtest/gtest.h>
#include <signal.h>

#include "Poll.h"
#include "Process.h"

namespace {

TEST(RunProcess, ExitCodesTimeLimitSignalsAndOutputDrainedWhileRunning) {
  const pcvr_test::TempDir dir;
  const std::string done = dir.str("done");
  struct Case {
    std::vector<std::string> argv;
    int timeoutSeconds, exitCode;
    std::string output;
  } const cases[] = {
      {{"sh", "-c", "echo out; echo err >&2; exit 3"}, 60, 3, "out\nerr\n"},
      // Ignores SIGALRM, as it may after exec: the limit still ends it.
      {{"sh", "-c", "trap '' ALRM; exec sleep 600"}, 1, 124, ""},
      // 1 MB, then a file made: only a drained pipe lets it get that far;
      // the test then ends it.
      {{"sh", "-c", "head -c 1000000 /dev/zero; touch " + done + "; exec sleep 600"},
       600,
       128 + SIGTERM,
       std::string(1000000, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argv.back());
    pcvr_test::ProcessOptions options;
    options.timeoutSeconds = c.timeoutSeconds;
    options.whileRunning = [&](pid_t pid) {
      if (c.exitCode != 128 + SIGTERM) return;
      EXPECT_TRUE(pcvr_test::WaitUntil([&] { return std::filesystem::exists(done); }));
      kill(pid, SIGTERM);
    };
    const pcvr_test::ProcessRun run = pcvr_test::RunProcess(c.argv, options);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.output == c.output) << run.output.size() << " bytes: " << run.output.substr(0, 80);
  }
  const pcvr_test::ProcessRun missing = pcvr_test::RunProcess({"no-such-program-here"});
  EXPECT_EQ(missing.exitCode, -1);
  EXPECT_EQ(missing.output.rfind("cannot start no-such-program-here", 0), 0u) << missing.output;
}

}  // namespace
