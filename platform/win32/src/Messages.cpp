#include "win32/Messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <deque>

namespace {

// A message posted to the main thread, travelling through Qt's event queue
// so that it keeps its place among the window system's events.
class PostedMessageEvent final : public QEvent {
 public:
  static QEvent::Type type() {
    static const auto kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kType;
  }
  explicit PostedMessageEvent(const MSG& message) : QEvent(type()), message(message) {}
  MSG message;
};

// Receives posted messages when the application's own event loop delivers
// them, that is when no PeekMessageW is taking them.
class Dispatcher final : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != PostedMessageEvent::type()) return QObject::event(event);
    DispatchMessageW(&static_cast<PostedMessageEvent*>(event)->message);
    return true;
  }
};

Dispatcher* TheDispatcher() {
  static QPointer<Dispatcher> dispatcher;
  if (dispatcher.isNull() && QCoreApplication::instance() != nullptr) {
    dispatcher = new Dispatcher;
    dispatcher->moveToThread(QCoreApplication::instance()->thread());
    dispatcher->setParent(QCoreApplication::instance());
  }
  return dispatcher.data();
}

bool OnMainThread() {
  return QCoreApplication::instance() != nullptr && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// The messages taken from Qt's queue and not yet returned by PeekMessageW;
// without an application, what the thread posted.
thread_local std::deque<MSG> t_queue;
// Set while DispatchMessageW carries out a close, so that the close it
// causes is not taken for a new request.
bool g_dispatchingClose = false;

HWND HandleOf(WId id) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id)); }

MSG Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  return msg;
}

// While the pending events are processed: turns posted messages and close
// requests for top-level windows into queued messages instead of letting
// them act.
class Collector final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == PostedMessageEvent::type()) {
      t_queue.push_back(static_cast<PostedMessageEvent*>(event)->message);
      return true;
    }
    if (event->type() == QEvent::Close && !g_dispatchingClose) {
      // The window system's request reaches the QWindow first; Qt code
      // closing a widget sends it to the widget.
      WId id = 0;
      if (auto* window = qobject_cast<QWindow*>(watched)) {
        id = window->winId();
      } else if (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr && widget->isWindow()) {
        id = widget->winId();
      }
      if (id != 0) {
        t_queue.push_back(Message(HandleOf(id), WM_CLOSE, 0, 0));
        event->ignore();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && msg.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return msg.message >= filterMin && msg.message <= filterMax;
}

}  // namespace

extern "C" {

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) return FALSE;
  if (t_queue.empty() && OnMainThread()) {
    Collector collector;
    QCoreApplication::instance()->installEventFilter(&collector);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(&collector);
  }
  for (auto it = t_queue.begin(); it != t_queue.end(); ++it) {
    if (!Matches(*it, window, filterMin, filterMax)) continue;
    *msg = *it;
    if (removeFlags & PM_REMOVE) t_queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_QUIT) {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::exit(static_cast<int>(msg->wParam));
    return 0;
  }
  if (msg->message != WM_CLOSE || QCoreApplication::instance() == nullptr) return 0;
  const WId id = static_cast<WId>(reinterpret_cast<std::uintptr_t>(msg->hwnd));
  g_dispatchingClose = true;
  if (QWidget* widget =
          qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr ? QWidget::find(id) : nullptr) {
    widget->close();
  } else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
      if (window->winId() == id) {
        window->close();
        break;
      }
    }
  }
  g_dispatchingClose = false;
  return 0;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const MSG msg = Message(window, message, wParam, lParam);
  if (Dispatcher* dispatcher = TheDispatcher()) {
    QCoreApplication::postEvent(dispatcher, new PostedMessageEvent(msg));
    return TRUE;
  }
  t_queue.push_back(msg);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  const MSG msg = Message(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
  if (Dispatcher* dispatcher = TheDispatcher()) {
    QCoreApplication::postEvent(dispatcher, new PostedMessageEvent(msg));
    return;
  }
  t_queue.push_back(msg);
}

}  // extern "C"
