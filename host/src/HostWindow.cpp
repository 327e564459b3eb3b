#include "host/HostWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "host/CommandRegistry.h"
#include "win32/QtText.h"

namespace host {

namespace {
// The empty view: a plain background, so a grab of it has a known colour.
const QColor kViewBackground(33, 40, 48);
}  // namespace

ViewWidget::ViewWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(320, 240);
}

void ViewWidget::setPainter(std::function<void(QPainter&, const QSize&)> painter) {
  m_painter = std::move(painter);
  update();
}

void ViewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kViewBackground);
  if (m_painter) m_painter(painter, size());
}

HostWindow::HostWindow() {
  setWindowTitle(QStringLiteral("pchost"));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  m_view = new ViewWidget(central);
  m_messages = new QPlainTextEdit(central);
  m_messages->setReadOnly(true);
  m_messages->setMaximumBlockCount(5000);
  m_messages->setFixedHeight(140);
  m_promptLabel = new QLabel(QStringLiteral("Command:"), central);
  m_commandLine = new QLineEdit(central);
  layout->addWidget(m_view, 1);
  layout->addWidget(m_messages);
  layout->addWidget(m_promptLabel);
  layout->addWidget(m_commandLine);
  setCentralWidget(central);
  resize(1024, 768);

  connect(m_commandLine, &QLineEdit::returnPressed, this, [this] { onReturn(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_commandLine);
  connect(escape, &QShortcut::activated, this, [this] { onEscape(); });
  m_commandLine->setFocus();

  CommandRegistry::instance().setChangeListener([this] { rebuildMenus(); });
  rebuildMenus();
}

HostWindow::~HostWindow() {
  CommandRegistry::instance().setChangeListener({});
  if (m_promptLoop != nullptr) m_promptLoop->exit(0);
}

void HostWindow::rebuildMenus() {
  menuBar()->clear();
  for (const CommandMenu& menu : CommandRegistry::instance().menus()) {
    if (menu.commands.empty()) continue;
    QMenu* qmenu = menuBar()->addMenu(win32::ToQString(menu.title));
    for (const std::u16string& command : menu.commands) {
      const QString name = win32::ToQString(command);
      // Run as if typed, once the menu has closed: the command may prompt or
      // run a loop of its own, and is refused like a typed one while another
      // command runs.
      connect(qmenu->addAction(name), &QAction::triggered, this, [this, name] {
        QTimer::singleShot(0, this, [this, name] {
          if (m_promptLoop == nullptr && m_onCommand) m_onCommand(name);
        });
      });
    }
  }
}

void HostWindow::closeView() {
  delete m_view;
  m_view = nullptr;
}

void HostWindow::appendMessage(const QString& text) { m_messages->appendPlainText(text); }

int HostWindow::prompt(const QString& text, const QString& defaultText, QString& answer) {
  if (m_promptLoop != nullptr) return kHostPromptCancel;  // one prompt at a time
  m_promptDefault = defaultText;
  m_promptLabel->setText(defaultText.isEmpty() ? text + QStringLiteral(":")
                                               : QStringLiteral("%1 <%2>:").arg(text, defaultText));
  m_commandLine->clear();
  m_commandLine->setFocus();
  QEventLoop loop;
  m_promptLoop = &loop;
  m_promptStatus = kHostPromptCancel;
  loop.exec();
  m_promptLoop = nullptr;
  m_promptLabel->setText(QStringLiteral("Command:"));
  if (m_promptStatus == kHostPromptOk) answer = m_promptAnswer;
  return m_promptStatus;
}

void HostWindow::onReturn() {
  const QString line = m_commandLine->text();
  m_commandLine->clear();
  if (m_promptLoop != nullptr) {
    m_promptAnswer = line.isEmpty() ? m_promptDefault : line;
    m_promptStatus = kHostPromptOk;
    m_promptLoop->exit(0);
    return;
  }
  if (!line.trimmed().isEmpty() && m_onCommand) m_onCommand(line.trimmed());
}

void HostWindow::onEscape() {
  if (m_promptLoop != nullptr) {
    m_promptStatus = kHostPromptCancel;
    m_promptLoop->exit(0);
  } else {
    m_commandLine->clear();
  }
}

void HostWindow::closeEvent(QCloseEvent* event) {
  // A prompt in progress ends as cancelled, so the command behind it returns.
  if (m_promptLoop != nullptr) {
    m_promptStatus = kHostPromptCancel;
    m_promptLoop->exit(0);
  }
  event->accept();
}

}  // namespace host
