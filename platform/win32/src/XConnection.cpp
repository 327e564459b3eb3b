#include "XConnection.h"

#include <mutex>
#include <utility>

#include "SharedSegments.h"

namespace win32::x11 {

namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);

ErrorHandler g_previousErrorHandler = nullptr;
thread_local Display* t_ownDisplay = nullptr;
thread_local int t_lastError = 0;

// Xlib has one error handler per process, and its default one ends the
// process. A query about a window that has just gone away is an ordinary
// answer here (each call reports it through its return value), so errors on
// our own connections are swallowed; errors on anyone else's connection go
// to the handler that was there before. Xlib runs the handler on the thread
// that reads the reply, which for our connections is the owning thread.
int OnXError(Display* display, XErrorEvent* event) {
  if (display != nullptr && display == t_ownDisplay) {
    t_lastError = event->error_code;
    return 0;
  }
  return g_previousErrorHandler != nullptr ? g_previousErrorHandler(display, event) : 0;
}

void InitXlibOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Harmless when Qt (or anyone) has called it already.
    XInitThreads();
    g_previousErrorHandler = XSetErrorHandler(&OnXError);
  });
}

}  // namespace

Connection& Connection::forThisThread() {
  thread_local Connection connection;
  return connection;
}

Display* Connection::display() {
  if (m_display == nullptr) {
    InitXlibOnce();
    m_display = XOpenDisplay(nullptr);
    t_ownDisplay = m_display;
  }
  return m_display;
}

Atom Connection::existingAtom(const char* name) {
  Display* dpy = display();
  return dpy != nullptr ? XInternAtom(dpy, name, True) : None;
}

int Connection::takeError() { return std::exchange(t_lastError, 0); }

Connection::~Connection() {
  if (m_display != nullptr) {
    // DIB sections attached to this connection outlive it.
    ForgetSharedSegments(m_display);
    XCloseDisplay(m_display);
    t_ownDisplay = nullptr;
  }
}

}  // namespace win32::x11
