// The host's command line while a command runs and lets the window work
// between its steps (a flight's frames, a long computation): what the user
// types then must not run inside it.
#include <gtest/gtest.h>

#include <QApplication>

#include "host/CommandRegistry.h"
#include "host/HostWindow.h"
#include "host/Shell.h"

namespace {

TEST(Shell, ACommandTypedWhileAnotherRunsIsRefused) {
  static int argc = 1;
  static char name[] = "test_host_shell";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  host::HostWindow window;
  host::Shell shell(window, nullptr);
  int inner = 0;
  host::CommandRegistry::instance().addHostCommand(u"INNER", [&] { ++inner; });
  host::CommandRegistry::instance().addHostCommand(u"OUTER", [&] {
    // What the window's command line does when the user presses Enter now.
    EXPECT_TRUE(shell.execute(u"INNER"));
    EXPECT_TRUE(shell.execute(u"OUTER"));
  });
  ASSERT_TRUE(shell.execute(u"OUTER"));
  EXPECT_EQ(inner, 0);
  // Once it has ended, commands run again, also after one that failed.
  host::CommandRegistry::instance().addHostCommand(u"FAILS", [] { throw std::runtime_error("broken"); });
  EXPECT_TRUE(shell.execute(u"FAILS"));
  EXPECT_TRUE(shell.execute(u"INNER"));
  EXPECT_EQ(inner, 1);
  EXPECT_FALSE(shell.execute(u"NO_SUCH_COMMAND"));
}

}  // namespace
