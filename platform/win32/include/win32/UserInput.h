// Keyboard state, the beep, the clipboard and the user's locale settings of
// the Windows user interface, on Qt. The clipboard and the beep need a
// QGuiApplication in the process; without one they fail the way Windows fails
// when there is no desktop (FALSE or null, ERROR_CLIPBOARD_NOT_OPEN).
// Main (GUI) thread only, as the clipboard and the key state are there.
#pragma once

#include "win32/WinTypes.h"

using SHORT = std::int16_t;
using LCID = DWORD;
using LCTYPE = DWORD;

#define MB_OK 0x00000000L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L

#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12

// Clipboard formats. CF_TEXT is text in the process's ANSI code page, which is
// UTF-8 here (as on Windows with the UTF-8 code page), terminated by a zero.
#define CF_TEXT 1
#define CF_UNICODETEXT 13

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_SNEGATIVESIGN 0x00000051

#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif
#define ERROR_CLIPBOARD_NOT_OPEN 1418L

extern "C" {

// Sounds the system beep. FALSE when there is no application to beep with.
WIN32_EXPORT BOOL MessageBeep(UINT type);

// The state of a key as of the input message being handled: the high bit
// (a negative result) while the key is down. Only VK_SHIFT, VK_CONTROL and
// VK_MENU are known; every other key reads as up.
WIN32_EXPORT SHORT GetKeyState(int virtualKey);

// One process-wide clipboard owner at a time, as on Windows. The window may
// be null. GetClipboardData returns a block that stays owned by the
// clipboard: lock it, read it, unlock it, and do not free it.
WIN32_EXPORT BOOL OpenClipboard(HWND owner);
WIN32_EXPORT BOOL CloseClipboard();
WIN32_EXPORT BOOL EmptyClipboard();
WIN32_EXPORT BOOL IsClipboardFormatAvailable(UINT format);
WIN32_EXPORT HANDLE GetClipboardData(UINT format);
// Takes ownership of a GlobalAlloc block holding zero-terminated text.
WIN32_EXPORT HANDLE SetClipboardData(UINT format, HANDLE memory);

// The user's locale (LC_ALL, LC_NUMERIC, then LANG, as Qt reads them): the
// decimal separator and the negative sign. Returns the characters written,
// terminator included; with size 0 the size needed. 0 with
// ERROR_INSUFFICIENT_BUFFER when the text does not fit, ERROR_INVALID_PARAMETER
// for another locale or setting.
WIN32_EXPORT int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);

}  // extern "C"

namespace win32 {

// The modifier keys that came with the input message being dispatched. The
// layer that turns toolkit input into messages sets them before it hands a
// message on and clears them after, so GetKeyState answers for that message
// and not for whatever the keyboard does now. Without a message being
// dispatched, GetKeyState asks the toolkit.
struct KeyModifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
};
WIN32_EXPORT void SetMessageKeyModifiers(const KeyModifiers* modifiers);

// How many times MessageBeep has sounded in this process: the only trace a
// refused keystroke leaves, so tests and diagnostics can see it.
WIN32_EXPORT unsigned BeepCount();

}  // namespace win32
