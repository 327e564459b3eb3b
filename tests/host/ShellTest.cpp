// A command typed while another runs (and pumps the window) does not run
// inside it; the window's menus come from the command registry.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "win32/Resources.h"

#include "host/CommandRegistry.h"
#include "host/HostWindow.h"
#include "host/Shell.h"

namespace {

void ModuleCommand() {}

QStringList Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) texts << action->text();
  return texts;
}

TEST(Shell, ACommandTypedWhileAnotherRunsIsRefusedAndMenusRunCommandsAsTyped) {
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

  // The window's menus show the registered commands and run them as typed.
  QStringList ran;
  window.setCommandHandler([&](const QString& line) { ran << line; });
  auto& registry = host::CommandRegistry::instance();
  registry.addHostCommand(
      u"VIEWTHING", [] {}, u"View");
  registry.addHostCommand(u"NOTINAMENU", [] {});
  for (const char16_t* command : {u"START_THING", u"END_THING"}) {
    host::RegisteredCommand registered;
    registered.group = u"VISUALIZATION";
    registered.globalName = registered.localName = command;
    registered.function = &ModuleCommand;
    ASSERT_TRUE(registry.add(registered));
  }
  const QList<QAction*> menus = window.menuBar()->actions();
  ASSERT_EQ(Texts(menus), QStringList({"File", "Edit", "View", "Point clouds", "VISUALIZATION", "Help"}));
  const QStringList view = Texts(menus[2]->menu()->actions());
  EXPECT_TRUE(view.contains("Orbit…") && view.contains("VIEWTHING")) << view.join(' ').toStdString();
  EXPECT_FALSE(view.contains("NOTINAMENU") || view.contains("TESTPATTERN")) << view.join(' ').toStdString();
  ASSERT_EQ(Texts(menus[4]->menu()->actions()), QStringList({"START_THING", "END_THING"}));
  // Chosen from the menu, a command runs as if typed, after the menu closed.
  menus[4]->menu()->actions()[1]->trigger();
  EXPECT_TRUE(ran.isEmpty());
  for (int i = 0; i < 10 && ran.isEmpty(); ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ran, QStringList({"END_THING"}));
  // A module's commands leave the menus with the module.
  registry.removeCommandsOf(ModuleFromAddress(reinterpret_cast<const void*>(&ModuleCommand)));
  EXPECT_EQ(Texts(window.menuBar()->actions()), QStringList({"File", "Edit", "View", "Point clouds", "Help"}));
}

}  // namespace
