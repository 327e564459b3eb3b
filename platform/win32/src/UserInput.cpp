#include "win32/UserInput.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QMimeData>
#include <QThread>
#include <atomic>
#include <cstring>
#include <optional>

#include "win32/Gdi.h"
#include "win32/Kernel.h"
#include "win32/QtText.h"

namespace {

thread_local std::optional<win32::KeyModifiers> t_messageModifiers;
std::atomic<unsigned> g_beeps{0};

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && qobject_cast<QGuiApplication*>(app) != nullptr && QThread::currentThread() == app->thread();
}

// The clipboard as Windows keeps it: opened by one owner at a time; data
// handed out stays owned by the clipboard until it changes or is emptied.
struct ClipboardState {
  bool open = false;
  HGLOBAL handedOut = nullptr;

  void dropHandedOut() {
    if (handedOut != nullptr) GlobalFree(handedOut);
    handedOut = nullptr;
  }
};

ClipboardState& Clipboard() {
  static ClipboardState state;
  return state;
}

bool RequireOpen() {
  if (!Clipboard().open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
  }
  return true;
}

}  // namespace

namespace win32 {

void SetMessageKeyModifiers(const KeyModifiers* modifiers) {
  if (modifiers != nullptr) {
    t_messageModifiers = *modifiers;
  } else {
    t_messageModifiers.reset();
  }
}

unsigned BeepCount() { return g_beeps.load(); }

}  // namespace win32

extern "C" {

BOOL MessageBeep(UINT /*type*/) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return FALSE;
  QApplication::beep();
  ++g_beeps;
  return TRUE;
}

SHORT GetKeyState(int virtualKey) {
  win32::KeyModifiers now;
  if (t_messageModifiers) {
    now = *t_messageModifiers;
  } else if (OnGuiThread()) {
    const Qt::KeyboardModifiers mods = QGuiApplication::keyboardModifiers();
    now.shift = mods.testFlag(Qt::ShiftModifier);
    now.control = mods.testFlag(Qt::ControlModifier);
    now.alt = mods.testFlag(Qt::AltModifier);
  }
  bool down = false;
  switch (virtualKey) {
    case VK_SHIFT:
      down = now.shift;
      break;
    case VK_CONTROL:
      down = now.control;
      break;
    case VK_MENU:
      down = now.alt;
      break;
    default:
      break;
  }
  return down ? static_cast<SHORT>(0x8000u) : 0;
}

BOOL OpenClipboard(HWND /*owner*/) {
  if (!OnGuiThread() || Clipboard().open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Clipboard().open = true;
  return TRUE;
}

BOOL CloseClipboard() {
  if (!RequireOpen()) return FALSE;
  Clipboard().open = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!RequireOpen()) return FALSE;
  Clipboard().dropHandedOut();
  QGuiApplication::clipboard()->clear();
  return TRUE;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  if (!OnGuiThread() || (format != CF_TEXT && format != CF_UNICODETEXT)) return FALSE;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data != nullptr && data->hasText() ? TRUE : FALSE;
}

HANDLE GetClipboardData(UINT format) {
  if (!RequireOpen()) return nullptr;
  if (format != CF_TEXT && format != CF_UNICODETEXT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasText()) return nullptr;
  const QString text = data->text();
  Clipboard().dropHandedOut();
  HGLOBAL block = nullptr;
  if (format == CF_TEXT) {
    const QByteArray bytes = text.toUtf8();
    block = GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(bytes.size()) + 1);
    if (block != nullptr) std::memcpy(GlobalLock(block), bytes.constData(), static_cast<size_t>(bytes.size()));
  } else {
    block = GlobalAlloc(GMEM_ZEROINIT, (static_cast<SIZE_T>(text.size()) + 1) * sizeof(WCHAR));
    if (block != nullptr)
      std::memcpy(GlobalLock(block), text.utf16(), static_cast<size_t>(text.size()) * sizeof(WCHAR));
  }
  if (block != nullptr) GlobalUnlock(block);
  Clipboard().handedOut = block;
  return block;
}

HANDLE SetClipboardData(UINT format, HANDLE memory) {
  if (!RequireOpen()) return nullptr;
  if ((format != CF_TEXT && format != CF_UNICODETEXT) || memory == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const SIZE_T size = GlobalSize(memory);
  const void* bytes = GlobalLock(memory);
  if (bytes == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  QString text;
  if (format == CF_TEXT) {
    const char* chars = static_cast<const char*>(bytes);
    text = QString::fromUtf8(chars, static_cast<int>(strnlen(chars, size)));
  } else {
    const auto* chars = static_cast<const char16_t*>(bytes);
    int length = 0;
    while (static_cast<SIZE_T>(length + 1) * sizeof(WCHAR) <= size && chars[length] != 0) ++length;
    text = win32::ToQString(std::u16string_view(chars, static_cast<std::size_t>(length)));
  }
  GlobalUnlock(memory);
  QGuiApplication::clipboard()->setText(text);
  Clipboard().dropHandedOut();
  Clipboard().handedOut = memory;  // the clipboard owns the block now
  return memory;
}

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size) {
  if ((locale != LOCALE_USER_DEFAULT && locale != LOCALE_SYSTEM_DEFAULT) ||
      (type != LOCALE_SDECIMAL && type != LOCALE_SNEGATIVESIGN) || size < 0 || (size > 0 && data == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const QLocale user = QLocale::system();
  const QString text = type == LOCALE_SDECIMAL ? QString(user.decimalPoint()) : QString(user.negativeSign());
  const int needed = text.size() + 1;
  if (size == 0) return needed;
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(data, text.utf16(), static_cast<size_t>(text.size()) * sizeof(WCHAR));
  data[text.size()] = 0;
  return needed;
}

}  // extern "C"
