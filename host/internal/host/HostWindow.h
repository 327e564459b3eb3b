// The host's main window: the document's view window, the message pane and
// the command line.
#pragma once

#include <QMainWindow>
#include <functional>

#include "host/HostApi.h"

class QLabel;
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

// The menus show the registered commands: a "View" menu with the host's own
// view commands and one menu per group of module commands (a module's
// "VISUALIZATION"), rebuilt whenever the command registry changes.
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

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void rebuildMenus();
  void onReturn();
  void onEscape();

  ViewWidget* m_view = nullptr;
  QPlainTextEdit* m_messages = nullptr;
  QLabel* m_promptLabel = nullptr;
  QLineEdit* m_commandLine = nullptr;
  std::function<void(const QString&)> m_onCommand;
  QEventLoop* m_promptLoop = nullptr;
  int m_promptStatus = kHostPromptCancel;
  QString m_promptAnswer;
  QString m_promptDefault;
};

}  // namespace host
