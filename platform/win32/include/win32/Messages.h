// The message queue of the main (GUI) thread, on Qt's event loop.
//
// Qt hands input and paint events straight to the widgets while it processes
// events, so PeekMessageW has nothing of those to return: taking messages
// from the queue lets the windows repaint and answer the mouse and keyboard.
// What PeekMessageW does return are the messages that would change the
// application under a running command: requests to close a top-level window
// (WM_CLOSE, from the window manager or from Qt code) and messages posted
// with PostMessageW or PostQuitMessage. Such a message is held back from its
// window while it waits in the queue; DispatchMessageW, or the application's
// own event loop once no one takes messages any more, carries it out.
#pragma once

#include "win32/WinTypes.h"

#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_USER 0x0400

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

extern "C" {

// Takes the next queued message for window (null: any window of the thread)
// in [filterMin, filterMax] (0, 0: any message). FALSE when there is none
// once the pending events have been processed. Without a Qt application
// only messages posted by this thread are seen.
WIN32_EXPORT BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Key messages are turned into characters by Qt already: nothing to do.
WIN32_EXPORT BOOL TranslateMessage(const MSG* msg);
// Carries a message out: WM_CLOSE closes its top-level window, WM_QUIT ends
// the application's event loop with wParam as its exit code. Other messages
// have no window procedure here and give 0.
WIN32_EXPORT LRESULT DispatchMessageW(const MSG* msg);
// Queues a message for the main thread (WM_QUIT too, though PostQuitMessage
// is the way to ask for it).
WIN32_EXPORT BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WIN32_EXPORT void PostQuitMessage(int exitCode);

}  // extern "C"
