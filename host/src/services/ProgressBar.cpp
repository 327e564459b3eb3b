#include "host/ProgressBar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

#include "host/HostWindow.h"
#include "win32/QtText.h"

namespace {

unsigned g_cancelAfterChecks = 0;
bool g_breakAll = false;

host::HostWindow* FindHostWindow() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = dynamic_cast<host::HostWindow*>(widget)) return window;
  }
  return nullptr;
}

}  // namespace

struct ProgressBar::Impl {
  bool started = false;
  bool cancelled = false;
  unsigned range = 100;
  unsigned steps = 1;
  unsigned done = 0;
  enumProgressType type = kProgressPercent;
  unsigned checks = 0;
  unsigned cancelAtCheck = 0;  // 0: no scripted cancel
  // The panel lives in the host window's status bar; QPointer because the
  // window may go first.
  QPointer<QWidget> panel;
  QPointer<QProgressBar> bar;
  QPointer<QStatusBar> statusBar;  // set when the bar showed it

  unsigned position() const {
    return static_cast<unsigned>(static_cast<unsigned long long>(std::min(done, steps)) * range / steps);
  }
  void show(const QString& text) {
    host::HostWindow* window = FindHostWindow();
    if (window == nullptr) return;
    if (!panel) {
      panel = new QWidget;
      panel->setObjectName(QStringLiteral("progressPanel"));
      auto* layout = new QHBoxLayout(panel);
      layout->setContentsMargins(0, 0, 0, 0);
      auto* label = new QLabel(panel);
      label->setObjectName(QStringLiteral("progressText"));
      bar = new QProgressBar(panel);
      bar->setObjectName(QStringLiteral("progressBar"));
      bar->setMinimumWidth(240);
      auto* cancel = new QPushButton(QStringLiteral("Cancel"), panel);
      cancel->setObjectName(QStringLiteral("progressCancel"));
      QObject::connect(cancel, &QPushButton::clicked, panel, [this] { cancelled = true; });
      layout->addWidget(label);
      layout->addWidget(bar);
      layout->addWidget(cancel);
      window->statusBar()->addPermanentWidget(panel);
    }
    panel->findChild<QLabel*>(QStringLiteral("progressText"))->setText(text);
    bar->setRange(0, static_cast<int>(std::min(range, 0x7FFFFFFFu)));
    bar->setFormat(type == kProgressSteps ? QStringLiteral("%1 / %2").arg(done).arg(steps) : QStringLiteral("%p%"));
    bar->setValue(static_cast<int>(position()));
    // A status bar made after the window was shown starts hidden; it is
    // hidden again on close, so the view window gets its height back.
    if (!window->statusBar()->isVisible()) {
      statusBar = window->statusBar();
      statusBar->show();
    }
    panel->show();
    panel->repaint();
  }
  void update() {
    if (!bar) return;
    if (type == kProgressSteps) bar->setFormat(QStringLiteral("%1 / %2").arg(done).arg(steps));
    const int value = static_cast<int>(position());
    if (bar->value() != value || type == kProgressSteps) {
      bar->setValue(value);
      bar->repaint();
    }
  }
  void hide() {
    if (panel) {
      panel->hide();
      panel->deleteLater();
    }
    if (statusBar) statusBar->hide();
    statusBar = nullptr;
  }
};

ProgressBar::ProgressBar() : m(std::make_unique<Impl>()) {}

ProgressBar::~ProgressBar() { m->hide(); }

void ProgressBar::StartStepIteration(const OdChar* text, unsigned range, unsigned steps, enumProgressType type) {
  m->started = true;
  m->range = range == 0 ? 100 : range;
  m->steps = steps == 0 ? 1 : steps;
  m->done = 0;
  m->type = type;
  m->checks = 0;
  if (g_cancelAfterChecks != 0) { m->cancelAtCheck = std::exchange(g_cancelAfterChecks, 0u); }
  m->show(win32::ToQString(text));
}

void ProgressBar::StepIt(unsigned steps) {
  if (!m->started) return;
  m->done = m->done + steps < m->done ? m->steps : std::min(m->done + steps, m->steps);
  m->update();
}

bool ProgressBar::IsBreak() {
  ++m->checks;
  if (m->cancelAtCheck != 0 && m->checks >= m->cancelAtCheck) m->cancelled = true;
  if (g_breakAll) m->cancelled = true;
  return m->cancelled;
}

void ProgressBar::Close() {
  if (!m->started) return;
  m->started = false;
  m->hide();
}

unsigned ProgressBar::position() const { return m->position(); }

bool ProgressBar::isShown() const { return m->started && m->panel && m->panel->isVisible(); }

unsigned ProgressBar::stepsDone() const { return m->done; }

void ProgressBar::CancelAfterChecks(unsigned checks) { g_cancelAfterChecks = checks; }

void ProgressBar::BreakAll() { g_breakAll = true; }
