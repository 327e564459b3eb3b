// The one owner of X connections inside the win32 layer. Each thread that
// asks gets its own Xlib connection, opened on first use and closed when the
// thread ends, so a capture thread never shares a connection (or a lock)
// with the GUI thread. Everything in the layer that talks to the X server
// goes through here.
#pragma once

#include <X11/Xlib.h>

namespace win32::x11 {

class Connection {
 public:
  // This thread's connection; display() is null when no X server can be
  // reached (DISPLAY unset or refused). A failed open is retried on the next
  // call, so a thread that started before the server did recovers.
  static Connection& forThisThread();

  Display* display();
  // An atom of this connection's server; None when the name has never been
  // interned by anyone (only_if_exists), which is itself an answer: no
  // window can carry a property of that name.
  Atom existingAtom(const char* name);
  // The code of the last X error on this thread's connection since the
  // previous call (0: none), cleared as it is read. Errors on our own
  // connections are otherwise swallowed; a caller that needs to know
  // whether a request failed (XShmAttach on a remote display) calls this,
  // makes the request, syncs, and calls it again.
  static int takeError();

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

 private:
  Connection() = default;

  Display* m_display = nullptr;
};

}  // namespace win32::x11
