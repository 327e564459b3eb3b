// The host's main window: the document's view window, the message pane and
// the command line.
#pragma once

#include <QMainWindow>
#include <functional>

#include "host/HostApi.h"

class QLabel;
class QMenu;
class QLineEdit;
class QPlainTextEdit;
class QEventLoop;

namespace host {

// The window that shows the drawing. A native X11 window of its own, so that
// it has a window id that a module can capture.
class HOST_EXPORT ViewWidget : public QWidget {
 public:
  explicit ViewWidget(QWidget* parent = nullptr);
  // Replaces what the view draws; null restores the empty view.
  void setPainter(std::function<void(QPainter&, const QSize&)> painter);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void(QPainter&, const QSize&)> m_painter;
};

// The menus show the registered commands: the host's own under readable
// labels in "File", "Edit", "View", "Point clouds" and "Help", and one menu
// per group of module commands (a module's "VISUALIZATION") under the names
// a script types, rebuilt whenever the command registry or its help topics
// change. "Help" also lists the help topics modules registered, the README
// and the version. The title names the open drawing, and the status bar
// shows the view's size and the open clouds.
class HOST_EXPORT HostWindow : public QMainWindow {
 public:
  HostWindow();
  ~HostWindow() override;

  // Null once the view window has been closed.
  ViewWidget* view() const { return m_view; }
  // Closes the view window for good: its X window is destroyed.
  void closeView();
  void appendMessage(const QString& text);
  // Runs a nested event loop until the person answers at the command line
  // (Enter) or cancels (Esc); returns a HostPromptStatus.
  int prompt(const QString& text, const QString& defaultText, QString& answer);
  // Called with each line typed at the command line outside a prompt, and
  // with a command's name when it is chosen from a menu.
  void setCommandHandler(std::function<void(const QString&)> handler) { m_onCommand = std::move(handler); }
  // Brings the title and the status line up to date with the current
  // document, its drawing's file, its clouds and the view's size.
  void refreshStatus();
  // The status line as shown.
  QString statusText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void rebuildMenus();
  void addHelpEntries(QMenu* menu);
  void showReadme();
  void onReturn();
  void onEscape();

  ViewWidget* m_view = nullptr;
  QPlainTextEdit* m_messages = nullptr;
  QLabel* m_promptLabel = nullptr;
  QLabel* m_status = nullptr;
  QString m_lastTitle;        // the title the window was last given here
  bool m_titleGiven = false;  // a -title option's title is shown
  QLineEdit* m_commandLine = nullptr;
  std::function<void(const QString&)> m_onCommand;
  QEventLoop* m_promptLoop = nullptr;
  int m_promptStatus = kHostPromptCancel;
  QString m_promptAnswer;
  QString m_promptDefault;
};

}  // namespace host
