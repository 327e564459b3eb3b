#include "host/HostWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "host/CommandRegistry.h"
#include "host/DrawingDocument.h"
#include "host/XPC.h"
#include "win32/QtText.h"

namespace host {

namespace {
// The empty view: a plain background, so a grab of it has a known colour.
const QColor kViewBackground(33, 40, 48);

// The README, installed (or, in the build folder, copied) beside the other
// documentation; empty when it is not there.
QString ReadmePath() {
  const QFileInfo readme(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/doc/pchost-video-recorder/README.md"));
  return readme.isFile() ? readme.absoluteFilePath() : QString();
}
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
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("statusLine"));
  // As tall as the progress bar's panel with its Cancel button, so that the
  // panel appearing does not resize the view under a recording or a flight.
  m_status->setMinimumHeight(QPushButton(QStringLiteral("Cancel")).sizeHint().height());
  statusBar()->addWidget(m_status, 1);
  m_view->installEventFilter(this);
  // The status bar adds to the window's height, not to the view's: the view
  // keeps the size it has always had.
  resize(1024, 768 + statusBar()->sizeHint().height());

  connect(m_commandLine, &QLineEdit::returnPressed, this, [this] { onReturn(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_commandLine);
  connect(escape, &QShortcut::activated, this, [this] { onEscape(); });
  m_commandLine->setFocus();

  CommandRegistry::instance().setChangeListener([this] { rebuildMenus(); });
  rebuildMenus();
  refreshStatus();
}

HostWindow::~HostWindow() {
  CommandRegistry::instance().setChangeListener({});
  if (m_promptLoop != nullptr) m_promptLoop->exit(0);
}

void HostWindow::rebuildMenus() {
  menuBar()->clear();
  QMenu* help = nullptr;
  for (const CommandMenu& menu : CommandRegistry::instance().menus()) {
    QMenu* qmenu = menuBar()->addMenu(win32::ToQString(menu.title));
    if (menu.title == u"Help") help = qmenu;
    for (const MenuEntry& entry : menu.entries) {
      const QString name = win32::ToQString(entry.command);
      QAction* action = qmenu->addAction(win32::ToQString(entry.label));
      action->setShortcut(QKeySequence(win32::ToQString(entry.shortcut)));
      action->setStatusTip(QStringLiteral("Runs the command %1.").arg(name));
      // Run as if typed, once the menu has closed: the command may prompt or
      // run a loop of its own, and is refused like a typed one while another
      // command runs.
      connect(action, &QAction::triggered, this, [this, name] {
        QTimer::singleShot(0, this, [this, name] {
          if (m_promptLoop == nullptr && m_onCommand) m_onCommand(name);
        });
      });
    }
  }
  addHelpEntries(help != nullptr ? help : menuBar()->addMenu(QStringLiteral("Help")));
}

void HostWindow::addHelpEntries(QMenu* menu) {
  if (!menu->isEmpty()) menu->addSeparator();
  QMenu* topics = menu->addMenu(QStringLiteral("Command help"));
  for (const HelpTopic& topic : CommandRegistry::instance().helpTopics()) {
    const QString command = win32::ToQString(topic.command), file = win32::ToQString(topic.helpFile),
                  name = win32::ToQString(topic.topic);
    connect(topics->addAction(command), &QAction::triggered, this, [this, command, file, name] {
      const bool there = QFileInfo(file).isFile();
      appendMessage(QStringLiteral("Help on %1: topic %2 in %3%4")
                        .arg(command, name, file, there ? QStringLiteral(".") : QStringLiteral(" (no such file).")));
      if (there) QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    });
  }
  if (topics->isEmpty()) topics->addAction(QStringLiteral("No help topics registered"))->setEnabled(false);
  connect(menu->addAction(QStringLiteral("README")), &QAction::triggered, this, [this] { showReadme(); });
  connect(menu->addAction(QStringLiteral("About pchost")), &QAction::triggered, this, [this] {
    QMessageBox::about(this, QStringLiteral("About pchost"),
                       QStringLiteral("<p><b>pchost %1</b></p><p>A point-cloud CAD host for Linux that loads the "
                                      "video recorder module: AVI videos and PNG screenshots of its drawings and "
                                      "point clouds.</p><p>Qt %2</p>")
                           .arg(QStringLiteral(PCHOST_VERSION), QString::fromLatin1(qVersion())));
  });
}

void HostWindow::showReadme() {
  const QString path = ReadmePath();
  if (path.isEmpty()) {
    appendMessage(QStringLiteral("Cannot show the README: it is not installed."));
    return;
  }
  auto* dialog = new QDialog(this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("pchost — README"));
  auto* browser = new QTextBrowser(dialog);
  browser->setOpenExternalLinks(true);
  browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
  (new QVBoxLayout(dialog))->addWidget(browser);
  dialog->resize(860, 680);
  dialog->show();
}

void HostWindow::refreshStatus() {
  Document* document = Application::instance().document();
  const Drawing* drawing = DrawingOf(document);
  QString title = QStringLiteral("pchost");
  if (drawing != nullptr && !drawing->file().empty())
    title += QStringLiteral(" — ") + QFileInfo(QString::fromStdString(drawing->file())).fileName();
  else if (document != nullptr) title += QStringLiteral(" — ") + win32::ToQString(document->name());
  // A title given with Qt's -title option, which Qt puts on the window when
  // it first shows it, is kept.
  const QString shown = windowHandle() != nullptr ? windowHandle()->title() : windowTitle();
  m_titleGiven = m_titleGiven || (!m_lastTitle.isNull() && shown != m_lastTitle);
  if (!m_titleGiven) {
    setWindowTitle(title);
    m_lastTitle = title;
  }

  QStringList parts;
  parts << (m_view != nullptr ? QStringLiteral("View %1 × %2").arg(m_view->width()).arg(m_view->height())
                              : QStringLiteral("View window closed"));
  if (document == nullptr || document->database() == nullptr) {
    parts << QStringLiteral("No drawing open");
  } else {
    QStringList clouds;
    for (const OdDbObjectId& id : document->database()->modelSpaceIds()) {
      auto* cloud = hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForRead).get());
      if (cloud == nullptr) continue;
      clouds << QStringLiteral("%1: %2 points")
                    .arg(win32::ToQString(cloud->name()),
                         QLocale(QLocale::English).toString(qulonglong(cloud->pointCount())));
    }
    parts << (clouds.isEmpty() ? QStringLiteral("No point clouds") : clouds.join(QStringLiteral(", ")));
  }
  m_status->setText(parts.join(QStringLiteral("   |   ")));
}

QString HostWindow::statusText() const { return m_status->text(); }

bool HostWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_view && event->type() == QEvent::Resize) refreshStatus();
  return QMainWindow::eventFilter(watched, event);
}

void HostWindow::closeView() {
  delete m_view;
  m_view = nullptr;
  refreshStatus();
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
