// The host window says what it does: menus in words with the usual keys, the
// module's help topics under Help, a title naming the drawing and a status
// line with the view's size and the clouds; File > Open keeps the open
// drawing when the file cannot be opened.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <fstream>
#include <sstream>

#include "Process.h"
#include "host/CommandRegistry.h"
#include "host/HostWindow.h"
#include "host/Shell.h"

namespace {

QStringList Texts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* action : menu->actions())
    texts << action->text() + (action->shortcut().isEmpty() ? QString() : " " + action->shortcut().toString());
  return texts;
}

TEST(HostWindow, MenusInWordsTitleAndStatusLine) {
  static int argc = 1;
  static char name[] = "test_host_window";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  const pcvr_test::TempDir dir("host-window-");
  std::ofstream(dir / "city.dxf")
      << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n"
         "0\nENDSEC\n0\nEOF\n";
  std::ofstream(dir / "cloud.xyz") << "0 0 0\n1 0 0\n1 1 2\n";
  std::filesystem::create_directory(dir / "folder.dxf");
  std::istringstream answers(dir.str("missing.dxf") + "\n" + dir.str("folder.dxf") + "\n" + dir.str("city.dxf") + "\n" +
                             dir.str("cloud.xyz") + "\n");
  host::ScriptInput script(answers);
  host::HostWindow window;
  host::Shell shell(window, &script);
  window.show();

  QMap<QString, QMenu*> menus;
  for (QAction* action : window.menuBar()->actions()) menus[action->text()] = action->menu();
  EXPECT_EQ(window.menuBar()->actions().size(), 5);  // no module: no VISUALIZATION menu
  ASSERT_TRUE(menus.contains("File") && menus.contains("Point clouds") && menus.contains("Help"));
  EXPECT_EQ(Texts(menus["File"]),
            QStringList({"Open drawing… Ctrl+O", "Open point cloud… Ctrl+Shift+O", "Close Ctrl+W", "Quit Ctrl+Q"}));
  EXPECT_TRUE(Texts(menus["Point clouds"]).contains("Compute normals…"));
  EXPECT_TRUE(Texts(menus["View"]).contains("Zoom to the whole drawing"));
  // The help topics a module registers appear in Help as they come.
  host::CommandRegistry::instance().setHelp({u"START_THING", u"/nowhere/help.chm", u"start_thing", 0});
  for (QAction* action : window.menuBar()->actions()) menus[action->text()] = action->menu();
  const QStringList help = Texts(menus["Help"]);
  EXPECT_TRUE(help.contains("List module commands") && help.contains("README") && help.contains("About pchost"))
      << help.join('|').toStdString();
  QMenu* topics = menus["Help"]->findChild<QMenu*>();
  ASSERT_NE(topics, nullptr);
  EXPECT_EQ(Texts(topics), QStringList({"START_THING"}));

  EXPECT_EQ(window.windowTitle(), "pchost");
  EXPECT_EQ(shell.openFiles({}), 0);
  EXPECT_EQ(window.windowTitle(), "pchost — Drawing1");
  window.resize(900, 700);
  for (int i = 0; i < 100 && !window.statusText().startsWith(QString("View %1 ×").arg(window.view()->width())); ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(window.statusText(),
            QString("View %1 × %2   |   No point clouds").arg(window.view()->width()).arg(window.view()->height()));
  // A file that cannot be opened changes nothing; then the drawing and a cloud open.
  const auto* pane = window.findChild<QPlainTextEdit*>();
  for (const char* reason : {"missing.dxf: no such file.", "folder.dxf: it is a folder."}) {
    shell.execute(u"OPEN");
    EXPECT_TRUE(pane->toPlainText().endsWith(QString("Cannot open %1/%2").arg(dir.path().c_str(), reason)))
        << pane->toPlainText().toStdString();
    EXPECT_EQ(window.windowTitle(), "pchost — Drawing1");
  }
  shell.execute(u"OPEN");
  EXPECT_EQ(window.windowTitle(), "pchost — city.dxf");
  shell.execute(u"OPENCLOUD");
  EXPECT_TRUE(window.statusText().endsWith("|   cloud.xyz: 3 points")) << window.statusText().toStdString();
  shell.execute(u"CLOSE");
  EXPECT_EQ(window.windowTitle(), "pchost");
  EXPECT_TRUE(window.statusText().endsWith("|   No drawing open")) << window.statusText().toStdString();
}

}  // namespace
